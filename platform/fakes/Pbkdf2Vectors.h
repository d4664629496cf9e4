#pragma once
// Known answers of PBKDF2-HMAC-SHA256, for every implementation we use: the published vectors in
// the style of RFC 6070 (small counts, a result longer than one block, bytes of zero), and two
// whose key and salt sit on SHA-256's block boundaries. Hex results.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tembrel {

struct Pbkdf2Vector {
    std::string_view password;
    std::string_view salt;
    std::uint32_t iterations;
    std::size_t length;
    std::string_view derived;
};

using namespace std::string_view_literals;

inline constexpr Pbkdf2Vector kPbkdf2Vectors[] = {
    {"password", "salt", 1, 32, "120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b"},
    {"password", "salt", 2, 32, "ae4d0c95af6b46d32d0adff928f06dd02a303f8ef3c251dfd6e2d85a95474c43"},
    {"password", "salt", 4096, 32,
     "c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a"},
    {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096, 40,
     "348c89dbcbd32b2f32d814b8116e84cf2b17347ebc1800181c4e2a1fb8dd53e1c635518c7dac47e9"},
    {"pass\0word"sv, "sa\0lt"sv, 4096, 16, "89b69d0516f829893c696226650a8687"},
    // A key longer than a block (hashed first), and two blocks of result.
    {"kkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkk"
     "kkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkk",
     "ssssssssssssssssssssssssssssssssssssssssssssssssssss", 3, 64,
     "52a942b0ca27e2acf171c6b03289875af530b8ce9f58e772a3e7139ee40905c37d980c43d6b318e5066538069193a"
     "6cf2d5fe54953e27fa64b36c20cfd670ba4"},
    // A key of exactly one block; salt and block number fill a block.
    {"kkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkk",
     "ssssssssssssssssssssssssssssssssssssssssssssssssssssssssssss", 3, 33,
     "6be523d1a321d6678d3894a758fb60fa96f751fccd754756d70720e6871664aef0"},
};

// "rex2024" hashed by another implementation (Python's hashlib.pbkdf2_hmac) in the stored form:
// what the master password "Rex2024" looks like in ps.var.
inline constexpr std::string_view kForeignMasterHash =
    "pbkdf2-sha256$600000$7de192bbf46cd34a7b4a39a579536c95$"
    "dd92e18488acaf7ae9c378a8e9adfcec86713e863d98c52a88dee1932e115ebf";
inline constexpr std::string_view kForeignMasterHashLowCount =
    "pbkdf2-sha256$100000$f4bf0a55d917356c72cff9d6f102880b$"
    "31c7a80801bc040d97f64af46ed426fcdf4bf4addb298fb2b209ce8075d21b1d";

} // namespace tembrel
