#include "guard/GuardRequests.h"

#include <exception>
#include <utility>

namespace tembrel::guard {

GuardRequests::GuardRequests(GuardCore& core, PasswordCheck check, ActionLog& log)
    : core_(core), check_(std::move(check)), log_(log) {
    Add(kEndVerb, [this](const Request& request, SessionId from) { return End(request, from); });
}

void GuardRequests::Add(const std::string& verb, Handler handler) {
    handlers_[verb] = std::move(handler);
}

std::string GuardRequests::Handle(std::string_view text, SessionId from) noexcept {
    try {
        const std::optional<Request> request = ParseRequest(text);
        if (!request) {
            return FormatReply({Reply::Status::Error, "not a request"});
        }
        const auto handler = handlers_.find(request->verb);
        if (handler == handlers_.end()) {
            return FormatReply({Reply::Status::Error, "unknown request " + request->verb});
        }
        return FormatReply(handler->second(*request, from));
    } catch (const std::exception& e) {
        return FormatReply({Reply::Status::Error, e.what()});
    } catch (...) {
        return "ERROR";
    }
}

std::optional<Reply> GuardRequests::RefuseWithoutPassword(const Request& request, SessionId from) {
    const auto password = request.fields.find(kPasswordField);
    std::string why = "wrong master password";
    try {
        if (password != request.fields.end() && check_(password->second)) {
            return std::nullopt;
        }
    } catch (const std::exception& e) {
        why = e.what(); // no password stored: every request is refused
    }
    log_.Record("session " + std::to_string(from) + ": a request (" + request.verb +
                ") was refused: " + why);
    return Reply{Reply::Status::Refused, why};
}

Reply GuardRequests::End(const Request& request, SessionId from) {
    if (auto refused = RefuseWithoutPassword(request, from)) {
        return *refused;
    }
    if (!core_.AuthoriseEnd(from)) {
        return {Reply::Status::Refused, "no user is logged on in that session"};
    }
    return {Reply::Status::Ok, "Tembrel may end in this session until the next logon"};
}

} // namespace tembrel::guard
