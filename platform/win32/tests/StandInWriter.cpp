// A stand-in lock screen that only writes: hand-overs into allow.var whenever the last one was
// picked up, "None" and "end" (no quit signal) into EN.var, and an hours window that stays open
// into the users' record files, as fast as it can, through the same record store and file port as
// the program. Bounded by a count and by wall time.
//
// StandInWriter <folder> <hand-overs> <seconds>
// At the end it writes "writer.var": how many hand-overs it wrote, how many writes failed, and
// how many rounds of writes it made.
#include <windows.h>

#include <cstdlib>
#include <exception>
#include <string>

#include "platform/Errors.h"
#include "platform/win32/tests/FolderFiles.h"
#include "records/Counter.h"
#include "records/FileHandle.h"

using namespace tembrel;

int main(int argc, char** argv) {
    if (argc != 4) {
        return 2;
    }
    FolderFiles files(argv[1]);
    const int handOvers = std::atoi(argv[2]);
    const ULONGLONG deadline = ::GetTickCount64() + 1000ULL * std::strtoull(argv[3], nullptr, 10);
    const char* const users[] = {"Ann", "Bob"};
    int written = 0;
    int failures = 0;
    bool userWritten = false; // allow.var holds the user name of the next hand-over only
    long long round = 0;
    for (; written < handOvers && ::GetTickCount64() < deadline; ++round) {
        try {
            WriteRecord(files, "EN", "EN", std::string(round % 2 == 0 ? "None" : "end"));
            const char* user = users[round % 2];
            // Open from 0 to 24, or equal hours: open all day either way, also between the two
            // writes.
            WriteRecord(files, "open", user, std::string(round % 3 == 0 ? "24" : "0"));
            WriteRecord(files, "close", user, std::string("24"));
            // Hand-overs spread over the run, so that most writes land during sessions.
            if (!userWritten && round % 5 == 0 &&
                !RecordFileExists(files, RecordPath(files, "allow"))) {
                // The user name goes first: the tick picks up as soon as it finds the allowance.
                WriteRecord(files, "user", "allow", std::string(users[written % 2]));
                userWritten = true;
            }
            if (userWritten) {
                WriteRecord(files, "allow", "allow", std::to_string(3 + written));
                userWritten = false;
                ++written;
            }
        } catch (const std::exception&) {
            // The program holds the file for a moment longer than the port waits: try again.
            ++failures;
        }
    }
    try {
        WriteRecord(files, "handovers", "writer", std::to_string(written));
        WriteRecord(files, "failures", "writer", std::to_string(failures));
        WriteRecord(files, "rounds", "writer", std::to_string(round));
    } catch (const std::exception&) {
        return 1;
    }
    return 0;
}
