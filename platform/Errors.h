#pragma once
// The failures an operation passes to its caller. A handler's guard catches TembrelError (and
// std::exception as a last resort), logs it and carries on: no failure may stop the timers.
#include <stdexcept>
#include <string>

namespace tembrel {

struct TembrelError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A file could not be read, written, replaced or deleted.
struct FileError : TembrelError {
    using TembrelError::TembrelError;
};

// A file looks half-written (its last line has no line end yet, and it was written a moment ago):
// the next look may find it whole.
struct FileBeingWritten : FileError {
    using FileError::FileError;
};

// A text that had to be a number was not one.
struct TypeMismatch : TembrelError {
    using TembrelError::TembrelError;
};

// An argument the operation cannot work with, e.g. a record name that is not a plain file name.
struct InvalidArgument : TembrelError {
    using TembrelError::TembrelError;
};

// A computation left the range of its type.
struct ArithmeticOverflow : TembrelError {
    using TembrelError::TembrelError;
};

// The desktop-lock library or one of its operations could not be found.
struct LibraryError : TembrelError {
    using TembrelError::TembrelError;
};

} // namespace tembrel
