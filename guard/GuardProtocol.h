#pragma once
// The text the guard and its clients exchange through the guard's local pipe. A request is a verb
// line, then "name: value" lines, then an empty line, then a body of any bytes (empty for most
// verbs; a settings file's text, say). Lines end in LF; values are bytes of the ANSI code page
// without CR, LF or NUL. A reply is one status word, a space and a message for the log or screen.
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tembrel::guard {

inline constexpr const wchar_t* kPipeName = L"\\\\.\\pipe\\TembrelGuard";
// Requests and replies are small; anything larger is no request of ours.
inline constexpr std::size_t kMaxMessageBytes = 64 * 1024;

// End Tembrel in the caller's logon session for good; field "password": the master password.
inline constexpr const char* kEndVerb = "END";
inline constexpr const char* kPasswordField = "password";

struct Request {
    std::string verb;
    std::map<std::string, std::string, std::less<>> fields;
    std::string body;
};

// Throws InvalidArgument for a verb or field name that is not plain (A-Z, a-z, 0-9, "-"), and for
// a value holding CR, LF or NUL, which the text could not carry.
std::string FormatRequest(const Request& request);
// Absent for anything that is not a well-formed request of at most kMaxMessageBytes.
std::optional<Request> ParseRequest(std::string_view text);

struct Reply {
    enum class Status { Ok, Refused, Error };
    Status status = Status::Error;
    std::string message;
};

std::string FormatReply(const Reply& reply);
// A reply that cannot be read is an error.
Reply ParseReply(std::string_view text);

} // namespace tembrel::guard
