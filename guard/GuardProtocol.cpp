#include "guard/GuardProtocol.h"

#include <algorithm>

#include "platform/Errors.h"

namespace tembrel::guard {

namespace {

bool IsPlainName(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '-';
    });
}

bool IsPlainValue(std::string_view value) {
    return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

constexpr std::string_view kFieldSeparator = ": ";

struct Word {
    Reply::Status status;
    std::string_view text;
};
constexpr Word kWords[] = {{Reply::Status::Ok, "OK"},
                           {Reply::Status::Refused, "REFUSED"},
                           {Reply::Status::Error, "ERROR"}};

} // namespace

std::string FormatRequest(const Request& request) {
    if (!IsPlainName(request.verb)) {
        throw InvalidArgument("a request's verb must be a plain word");
    }
    std::string text = request.verb + "\n";
    for (const auto& [name, value] : request.fields) {
        if (!IsPlainName(name) || !IsPlainValue(value)) {
            throw InvalidArgument("a request's field cannot be carried: " + name);
        }
        text.append(name).append(kFieldSeparator).append(value).append("\n");
    }
    return text.append("\n").append(request.body);
}

std::optional<Request> ParseRequest(std::string_view text) {
    if (text.size() > kMaxMessageBytes) {
        return std::nullopt;
    }
    Request request;
    bool first = true;
    for (;;) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            return std::nullopt; // the empty line that ends the head is missing
        }
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (first) {
            if (!IsPlainName(line)) {
                return std::nullopt;
            }
            request.verb = line;
            first = false;
            continue;
        }
        if (line.empty()) {
            break;
        }
        const std::size_t colon = line.find(kFieldSeparator);
        if (colon == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view name = line.substr(0, colon);
        const std::string_view value = line.substr(colon + kFieldSeparator.size());
        if (!IsPlainName(name) || !IsPlainValue(value) ||
            !request.fields.emplace(name, value).second) {
            return std::nullopt; // a field given twice is ambiguous
        }
    }
    request.body = text;
    return request;
}

std::string FormatReply(const Reply& reply) {
    for (const Word& word : kWords) {
        if (word.status == reply.status) {
            return std::string(word.text) + " " + reply.message;
        }
    }
    return "ERROR " + reply.message;
}

Reply ParseReply(std::string_view text) {
    const std::size_t space = text.find(' ');
    const std::string_view head = text.substr(0, space);
    for (const Word& word : kWords) {
        if (word.text == head) {
            return {word.status,
                    std::string(space == std::string_view::npos ? "" : text.substr(space + 1))};
        }
    }
    return {Reply::Status::Error, "the guard's reply could not be read"};
}

} // namespace tembrel::guard
