#pragma once
// Where the passwords are kept and how an entry is checked against them: the master password in
// ps.var, each child's password in the child's record, both as slow salted hashes
// (records/PasswordHash.h). Older installations keep them readable, every character one code
// lower; those still count until ConvertReadablePasswords has turned them into hashes.
//
// The master password is hashed lower-cased by the rules of the ANSI code page, so an entry that
// differs only in letter case opens it, as it always has; a child's password is hashed as typed.
// The gate of Tembrel, the lock screen and the guard service all check through these functions,
// so that one password opens the same doors everywhere.
#include <string>
#include <string_view>
#include <vector>

#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/PasswordCrypto.h"
#include "platform/Regional.h"
#include "records/PasswordHash.h"

namespace tembrel {

// No master password is stored (no ps.var, or neither key holds a value): every entry is refused.
struct NoMasterPassword : TembrelError {
    using TembrelError::TembrelError;
};

// One password as a record holds it.
struct StoredPassword {
    enum class Form { None, Hash, Readable };
    Form form = Form::None;
    PasswordHash hash;    // Form::Hash
    std::string readable; // Form::Readable: decoded, in the form an entry is compared in
};

// The text an entry or a new master password is hashed and compared as: lower-cased.
std::string MasterPasswordText(const Regional& regional, std::string_view password);

// The stored master password: "mhash" when it has a value (then "mpass" does not count), else
// "mpass". Read afresh at every call. Throws DamagedPasswordHash for an "mhash" that cannot be
// checked, ArithmeticOverflow for an "mpass" that cannot be decoded, FileError when ps.var cannot
// be read.
StoredPassword ReadMasterPassword(Files& files, const Regional& regional);
// A child's stored password: "pwhash", else "pw", of the child's record. Throws as above.
StoredPassword ReadChildPassword(Files& files, const Regional& regional, std::string_view child);

// True when `entry` (for the master password: its MasterPasswordText) opens `stored`; Form::None
// opens nothing. Touches neither files nor settings: this part may run on any thread.
bool StoredPasswordMatches(const StoredPassword& stored, PasswordCrypto& crypto,
                           std::string_view entry);

// The check of a master password entry, all in one. Throws NoMasterPassword when none is stored
// and DamagedPasswordHash when the stored one cannot be checked (the caller logs why the entry
// was refused), and whatever ReadMasterPassword throws.
bool MasterPasswordMatches(Files& files, const Regional& regional, PasswordCrypto& crypto,
                           std::string_view entry);
// The check of a child's password at login. True for a child without a password, as before.
bool ChildPasswordMatches(Files& files, const Regional& regional, PasswordCrypto& crypto,
                          std::string_view child, std::string_view entry);
// True when a master password is stored, in either form, damaged or not: only without one may a
// first one be set without typing the current one.
bool HasMasterPassword(Files& files, const Regional& regional);

// The stored text of a new password's hash, for a writer of its own (the guard service): the
// master password's of it lower-cased, a child's of it as typed.
std::string MasterPasswordHashText(const Regional& regional, PasswordCrypto& crypto,
                                   std::string_view password);
std::string ChildPasswordHashText(PasswordCrypto& crypto, std::string_view password);

// Store a new password as a hash and remove the readable form, in one replace of the file.
void StoreMasterPassword(Files& files, const Regional& regional, PasswordCrypto& crypto,
                         std::string_view password);
void StoreChildPassword(Files& files, const Regional& regional, PasswordCrypto& crypto,
                        std::string_view child, std::string_view password);

// Turns the readable passwords of an older installation into hashes, keeping every password:
// "mpass" of ps.var into "mhash", and "pw" of each listed child into "pwhash"; the readable
// records are removed. Where a hash is stored already, it is the one that counts, and the
// readable record beside it is only removed. An empty readable record is no password and is
// removed without a hash taking its place (a hash of the empty text would open with an empty
// entry). Each file is replaced in one step, so the conversion can stop anywhere and be run
// again; it changes nothing where nothing is readable. A file it cannot convert is left as it
// was: the returned texts say which and why, for the caller's log.
std::vector<std::string> ConvertReadablePasswords(Files& files, const Regional& regional,
                                                  PasswordCrypto& crypto);

} // namespace tembrel
