#include "guard/GuardRequests.h"

#include <gtest/gtest.h>

#include "guard/ProcessSecurity.h"
#include "guard/tests/FakeGuardPorts.h"

namespace tembrel::guard::test {
namespace {

using Status = Reply::Status;

struct RequestsFixture : GuardFixture {
    std::string stored = "Secret"; // empty: no master password stored
    GuardRequests requests{core,
                           [this](const std::string& entry) {
                               if (stored.empty()) {
                                   throw TembrelError("no master password stored");
                               }
                               return entry == stored;
                           },
                           log};

    Reply Ask(const std::string& text, SessionId from = 1) {
        return ParseReply(requests.Handle(text, from));
    }
    static std::string End(const std::string& password) {
        return FormatRequest({kEndVerb, {{kPasswordField, password}}, ""});
    }
};

TEST(GuardRequests, OnlyTheMasterPasswordAuthorisesAnEnd) {
    struct Case {
        std::string stored;
        std::string text;
        Status status;
    };
    const std::string noPassword = FormatRequest({kEndVerb, {}, ""});
    for (const Case& c : {Case{"Secret", RequestsFixture::End("Secret"), Status::Ok},
                          Case{"Secret", RequestsFixture::End("secret!"), Status::Refused},
                          Case{"Secret", noPassword, Status::Refused},
                          Case{"", RequestsFixture::End(""), Status::Refused},
                          Case{"Secret", "END\npassword: Secret", Status::Error}, // no end of head
                          Case{"Secret", "END\npassword: a\npassword: Secret\n\n", Status::Error},
                          Case{"Secret", "end it\n\n", Status::Error},
                          Case{"Secret", "WRITE\n\n", Status::Error}}) {
        SCOPED_TRACE(c.text);
        RequestsFixture guard;
        guard.core.Tick();
        guard.stored = c.stored;
        EXPECT_EQ(guard.Ask(c.text).status, c.status);
        EXPECT_EQ(guard.core.ModeOf(1),
                  c.status == Status::Ok ? GuardCore::Mode::LeftAlone : GuardCore::Mode::Guarded);
        guard.Kill();
        EXPECT_EQ(guard.processes.started.size(), c.status == Status::Ok ? 1U : 2U);
    }
}

TEST(GuardRequests, AnEndIsAuthorisedOnlyInTheSessionThatAsked) {
    RequestsFixture guard;
    guard.sessions.loggedOn = {1, 2};
    guard.core.Tick();
    EXPECT_EQ(guard.Ask(RequestsFixture::End("Secret"), 2).status, Status::Ok);
    EXPECT_EQ(guard.core.ModeOf(1), GuardCore::Mode::Guarded);
    EXPECT_EQ(guard.core.ModeOf(2), GuardCore::Mode::LeftAlone);
    EXPECT_EQ(guard.Ask(RequestsFixture::End("Secret"), 3).status, Status::Refused);
}

TEST(GuardProtocol, RequestsCarryAnyBodyAndRefuseWhatTheTextCannotHold) {
    const Request request{
        "WRITE", {{"file", "Anna.var"}, {kPasswordField, "p: \xe9 x"}}, "|||daily|||60\r\n\n\r\n"};
    const auto back = ParseRequest(FormatRequest(request));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->verb, request.verb);
    EXPECT_EQ(back->fields, request.fields);
    EXPECT_EQ(back->body, request.body);
    EXPECT_THROW(FormatRequest({"END", {{kPasswordField, "a\nb"}}, ""}), InvalidArgument);
    EXPECT_THROW(FormatRequest({"END X", {}, ""}), InvalidArgument);
    EXPECT_FALSE(ParseRequest("END\n\n" + std::string(kMaxMessageBytes, 'x')));
    for (const Status status : {Status::Ok, Status::Refused, Status::Error}) {
        const Reply reply = ParseReply(FormatReply({status, "why: it is so"}));
        EXPECT_EQ(reply.status, status);
        EXPECT_EQ(reply.message, "why: it is so");
    }
    EXPECT_EQ(ParseReply("").status, Status::Error);
    EXPECT_EQ(ParseReply("OKAY").status, Status::Error);
}

TEST(ProcessSecurity, TheUserMayOnlyWaitAndLookAndTheOwnerOnlyRead) {
    EXPECT_EQ(TembrelProcessSecurity("S-1-5-21-1-2-3-1001"),
              "D:P(A;;0x101000;;;S-1-5-21-1-2-3-1001)(A;;0x1fffff;;;SY)(A;;0x1fffff;;;BA)"
              "(A;;RC;;;OW)");
}

} // namespace
} // namespace tembrel::guard::test
