// What a call into the operating system answers: a value, or the errno that
// stopped it. Every platform function that can fail returns one (or a richer
// result that carries its errno); nothing throws across a layer. The words for
// an errno are made in one place, ErrnoText, by the front end that shows them.
#pragma once

#include <cassert>
#include <utility>

namespace corvane {

template <typename T>
class [[nodiscard]] SysResult {
  public:
    SysResult(T value) : value_(std::move(value)) {}  // NOLINT: a value is a success
    static SysResult Failure(int error) {
        assert(error != 0);
        SysResult result{T{}};
        result.error_ = error;
        return result;
    }

    bool ok() const { return error_ == 0; }
    explicit operator bool() const { return ok(); }
    int error() const { return error_; }  // 0 on success
    const T& value() const { return value_; }
    T& value() { return value_; }
    const T* operator->() const { return &value_; }
    T* operator->() { return &value_; }

  private:
    T value_;
    int error_ = 0;
};

// A call that answers nothing but whether it worked.
class [[nodiscard]] SysStatus {
  public:
    SysStatus() = default;  // success
    static SysStatus Failure(int error) {
        assert(error != 0);
        SysStatus status;
        status.error_ = error;
        return status;
    }
    static SysStatus FromErrno(int error) { return error == 0 ? SysStatus{} : Failure(error); }

    bool ok() const { return error_ == 0; }
    explicit operator bool() const { return ok(); }
    int error() const { return error_; }

  private:
    int error_ = 0;
};

}  // namespace corvane
