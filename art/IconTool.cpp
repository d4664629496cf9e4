// Writes the program's two icons (32 x 32, 24-bit colour, round mask) as .ico files, and on
// request the pictures as .ppm previews (without their texts). Built and run on the build
// machine (the icons and icon_previews targets); the .ico files are committed so that the Windows
// build needs no tool.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "art/Artwork.h"

namespace {

using tembrel::art::Canvas;

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void Put32(std::vector<std::uint8_t>& out, unsigned v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

bool WriteIco(const Canvas& c, const std::string& path) {
    const unsigned size = static_cast<unsigned>(c.Width());
    const unsigned xorBytes = size * size * 3;
    const unsigned andBytes = size * 4; // 32 bits a row, already a multiple of four bytes
    std::vector<std::uint8_t> out;
    Put16(out, 0);
    Put16(out, 1); // icon
    Put16(out, 1); // one image
    out.push_back(static_cast<std::uint8_t>(size));
    out.push_back(static_cast<std::uint8_t>(size));
    out.push_back(0); // no palette
    out.push_back(0);
    Put16(out, 1);  // planes
    Put16(out, 24); // bits per pixel
    Put32(out, 40 + xorBytes + andBytes);
    Put32(out, 6 + 16);
    Put32(out, 40);
    Put32(out, size);
    Put32(out, size * 2); // colour and mask together
    Put16(out, 1);
    Put16(out, 24);
    for (int i = 0; i < 6; ++i) {
        Put32(out, 0);
    }
    for (int y = static_cast<int>(size) - 1; y >= 0; --y) {
        for (int x = 0; x < static_cast<int>(size); ++x) {
            bool opaque = tembrel::art::IconOpaque(x, y);
            auto p = c.At(x, y);
            out.push_back(opaque ? p.b : 0);
            out.push_back(opaque ? p.g : 0);
            out.push_back(opaque ? p.r : 0);
        }
    }
    for (int y = static_cast<int>(size) - 1; y >= 0; --y) {
        std::uint32_t bits = 0;
        for (int x = 0; x < static_cast<int>(size); ++x) {
            if (!tembrel::art::IconOpaque(x, y)) {
                bits |= 1u << (31 - x);
            }
        }
        for (int shift = 24; shift >= 0; shift -= 8) {
            out.push_back(static_cast<std::uint8_t>((bits >> shift) & 0xFF));
        }
    }
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}

bool WritePpm(const Canvas& c, const std::string& path) {
    std::ofstream file(path, std::ios::binary);
    file << "P6\n" << c.Width() << ' ' << c.Height() << "\n255\n";
    for (int y = 0; y < c.Height(); ++y) {
        for (int x = 0; x < c.Width(); ++x) {
            auto p = c.At(x, y);
            file.put(static_cast<char>(p.r))
                .put(static_cast<char>(p.g))
                .put(static_cast<char>(p.b));
        }
    }
    return static_cast<bool>(file);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: icon_tool <out-dir> [preview]\n");
        return 2;
    }
    std::string dir = argv[1];
    bool ok = WriteIco(tembrel::art::ProgramIcon(), dir + "/Tembrel.ico") &&
              WriteIco(tembrel::art::BonusIcon(), dir + "/Bonus.ico");
    if (argc > 2) {
        ok = ok && WritePpm(tembrel::art::SplashPicture(1.0).canvas, dir + "/splash.ppm") &&
             WritePpm(tembrel::art::SessionBackground(1.0).canvas, dir + "/session.ppm") &&
             WritePpm(tembrel::art::DialogBackground(1.0).canvas, dir + "/dialog.ppm");
    }
    return ok ? 0 : 1;
}
