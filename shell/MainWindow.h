// The main window: folder list, options, picture buttons and progress bar.
#pragma once

#include <QCursor>
#include <QList>
#include <QRect>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "search/SearchObserver.h"
#include "shell/FolderBrowser.h"
#include "shell/ListedFolders.h"
#include "shell/MainLayout.h"
#include "shell/StoredSettings.h"
#include "widgets/Prompts.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QSlider;

namespace corvane {

class FolderListModel;
class FolderListView;
class ImageButton;
class SettingsStore;
class SvgPicture;

// What the window asks of the desktop; tests replace each of them.
struct MainWindowDesktop {
    std::function<int()> workAreaWidth;  // pixels, the screen less its panels
    std::function<QSize()> screenSize;   // pixels, the whole screen
    // Pixels: the available area of every screen; a restored window is kept
    // whole on one of them.
    std::function<QList<QRect>()> availableScreens;
    FolderBrowser chooseFolder;
    // Asks for a saved result list to open: its path bytes, or empty.
    std::function<QByteArray(QWidget* owner)> chooseList;
    // Modal messages with one OK button and no icon.
    Prompts prompts;

    // The primary screen, the file dialog and a message box.
    static MainWindowDesktop System();
};

class MainWindow : public QWidget {
    Q_OBJECT

  public:
    // Builds the window and runs the start-up sequence; show() it afterwards.
    explicit MainWindow(SettingsStore& store,
                        MainWindowDesktop desktop = MainWindowDesktop::System(),
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    // --- For the Find Dupes command ---
    // The folder list's rows, as exact path bytes, in list order.
    std::vector<std::string> FolderPaths() const;
    // The same rows with their protection marks: what a search is to honour.
    std::vector<ListedFolder> Folders() const;
    // The options as a search reads them, straight from the controls.
    SearchOptions Options() const;
    void SetCaption(const QString& caption);
    // 0..100.
    void SetProgress(int percent);
    // While a search runs Stop Find stands where Find Dupes was.
    void ShowSearchRunning(bool running);
    // A short note in the caption for a few seconds (an undo's count, say).
    void ShowNote(const QString& note);

    // Appends folders in the folder list's form, leaving out any already
    // listed; with `tell`, one message names every folder that was listed
    // already or lies inside or above a listed one.
    void AddFolders(const std::vector<QByteArray>& rows, bool tell = true);
    // Writes the folder list and its marks under `FolderList`; closing the
    // window does it.
    void SaveFolderList();
    // Whether there is a send to undo, asked when the folder list's menu opens.
    void SetUndoCheck(std::function<bool()> canUndo) { canUndo_ = std::move(canUndo); }

    // --- For tests and the results window ---
    FolderListModel& FolderList() { return *folderModel_; }
    FolderListView& FolderView() { return *folderList_; }
    // The folder list's context menu, made ready for `row` (-1: no row).
    QMenu* FolderMenu(int row);
    QCursor HoverCursor() const { return hoverCursor_; }
    // The window's outer size in twips (frame included where there is one).
    QSize OuterTwips() const;

  signals:
    // Find Dupes was pressed.
    void findDupesRequested();
    // Stop Find was pressed; "True" is under `Stop` already.
    void stopFindPressed();
    // Exact Matches, Close Matches, Same Contents or the slider changed (also
    // during a search).
    void optionsChanged();
    // "Open list..." in the folder list's context menu chose this file.
    void openListRequested(const QByteArray& fileName);
    // "Undo last send" or Ctrl+Z: the results window owns the trash's journal.
    void undoLastSendRequested();
    // The window was closed: the program is ending.
    void closed();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    enum class Pointer { Hover, Arrow, Keep };

    void BuildControls();
    void BuildButtons();
    void BuildOptions();
    void BuildSlider();  // with its Many and Few labels
    void BuildFolderList();
    void StyleControls();
    void ConnectControls();
    void BuildCommands();
    void SetFocusOrder();
    void WatchPointer(QWidget* widget);
    Pointer PointerOver(QWidget* widget) const;
    void StartUp();
    void CenterForm();
    StoredWindowState ApplyStoredState();
    void ApplyStoredSize();
    void SetOuterWidth(int twips);
    void SetOuterHeight(int twips);
    void CorrectForFrame();
    void RunResizeRules();
    void RestoreFolderList();

    void AddFolder();
    void OpenList();
    void ClearList();
    void AddDroppedUrls(const QList<QUrl>& urls);
    void ToggleProtection();
    void CloseWindow();
    void ExactMatchesChanged();
    void CloseMatchesChanged();
    void AddSameContentsBox();
    void SameContentsChanged();
    void SliderChanged();
    void StopFindPressed();

    SettingsStore& store_;
    MainWindowDesktop desktop_;
    QCursor hoverCursor_;
    // Start-up sized the window before the window manager added its frame;
    // the first time the frame is known, the client is shrunk to match.
    bool frameCorrectionPending_ = false;
    std::function<bool()> canUndo_;
    int menuRow_ = -1;  // the folder-list row a context menu was opened on

    SvgPicture* banner_ = nullptr;
    ImageButton* findButton_ = nullptr;       // Find Dupes
    ImageButton* addFolderButton_ = nullptr;  // Add Folder
    ImageButton* clearListButton_ = nullptr;  // Clear List
    ImageButton* stopButton_ = nullptr;       // Stop Find
    QCheckBox* exactBox_ = nullptr;           // Exact Matches
    QCheckBox* closeBox_ = nullptr;           // Close Matches
    QCheckBox* sameBox_ = nullptr;            // Same Contents
    QSlider* strictnessSlider_ = nullptr;
    QLabel* manyLabel_ = nullptr;  // "Many"
    QLabel* fewLabel_ = nullptr;   // "Few"
    QGroupBox* folderFrame_ = nullptr;
    FolderListView* folderList_ = nullptr;
    FolderListModel* folderModel_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QMenu* folderMenu_ = nullptr;
    QAction* removeAction_ = nullptr;
    QAction* protectAction_ = nullptr;
    QAction* undoAction_ = nullptr;
};

}  // namespace corvane
