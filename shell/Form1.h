// The main window: folder list, options, picture buttons and progress bar.
#pragma once

#include <QCursor>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "search/SearchObserver.h"
#include "shell/FolderBrowser.h"
#include "shell/MainLayout.h"
#include "shell/StoredSettings.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QSlider;

namespace corvane {

class FolderListModel;
class FolderListView;
class ImageButton;
class SettingsStore;
class SvgPicture;

// What the window asks of the desktop; tests replace each of them.
struct Form1Desktop {
    std::function<int()> workAreaWidth;  // pixels, the screen less its panels
    std::function<QSize()> screenSize;   // pixels, the whole screen
    FolderBrowser chooseFolder;
    // A modal message with one OK button and no icon.
    std::function<void(QWidget* owner, const QString& title, const QString& text)> showMessage;

    // The primary screen, the file dialog and a message box.
    static Form1Desktop System();
};

class Form1 : public QWidget {
    Q_OBJECT

  public:
    // Builds the window and runs the start-up sequence; show() it afterwards.
    explicit Form1(SettingsStore& store, Form1Desktop desktop = Form1Desktop::System(),
                   QWidget* parent = nullptr);
    ~Form1() override;

    // --- For the Find Dupes command ---
    // The folder list's rows, as exact path bytes, in list order.
    std::vector<std::string> FolderPaths() const;
    // The options as a search reads them, straight from the controls.
    SearchOptions Options() const;
    void SetCaption(const QString& caption);
    void SetProgress(int percent);  // 0..100
    // While a search runs Stop Find stands where Find Dupes was.
    void ShowSearchRunning(bool running);

    // --- For tests and the results window ---
    FolderListModel& FolderList() { return *folders_; }
    FolderListView& FolderView() { return *listView3_; }
    QCursor HoverCursor() const { return hoverCursor_; }
    // The window's outer size in twips (frame included where there is one).
    QSize OuterTwips() const;

  signals:
    // Find Dupes was pressed.
    void findDupesRequested();
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

    void AddFolder();
    void ClearList();
    void AddDroppedUrls(const QList<QUrl>& urls);
    void ExactMatchesChanged();
    void CloseMatchesChanged();
    void SliderChanged();
    void StopFindPressed();

    SettingsStore& store_;
    Form1Desktop desktop_;
    QCursor hoverCursor_;
    // Start-up sized the window before the window manager added its frame;
    // the first time the frame is known, the client is shrunk to match.
    bool frameCorrectionPending_ = false;

    SvgPicture* image6_ = nullptr;
    ImageButton* check1_ = nullptr;  // Find Dupes
    ImageButton* check2_ = nullptr;  // Add Folder
    ImageButton* check3_ = nullptr;  // Clear List
    ImageButton* check6_ = nullptr;  // Stop Find
    QCheckBox* check4_ = nullptr;    // Exact Matches
    QCheckBox* check5_ = nullptr;    // Close Matches
    QSlider* slider1_ = nullptr;
    QLabel* label1_ = nullptr;  // "Many"
    QLabel* label2_ = nullptr;  // "Few"
    QGroupBox* frame2_ = nullptr;
    FolderListView* listView3_ = nullptr;
    FolderListModel* folders_ = nullptr;
    QProgressBar* progressBar1_ = nullptr;
};

}  // namespace corvane
