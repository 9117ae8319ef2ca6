#include "installer/startdir.h"

#include "common/files.h"
#include "common/text.h"
#include "platform/codepage.h"
#include "platform/encoding.h"

namespace qrl {

namespace {

// The text of "startdir.txt" as UTF-8, whichever writer made it: a byte order
// mark says UTF-8 or UTF-16 (PowerShell's ">" and Notepad's "Unicode"); other
// bytes that are not UTF-8 are the system's code page (cmd's echo, Notepad's
// "ANSI").
std::string decodeStartDirFile(std::string_view bytes) {
    auto startsWith = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
    if (startsWith("\xEF\xBB\xBF")) return std::string(bytes.substr(3));
    const bool little = startsWith("\xFF\xFE"), big = startsWith("\xFE\xFF");
    if (little || big) {
        std::u16string units;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            unsigned char lo = static_cast<unsigned char>(bytes[little ? i : i + 1]);
            unsigned char hi = static_cast<unsigned char>(bytes[little ? i + 1 : i]);
            units += static_cast<char16_t>(lo | (hi << 8));
        }
        return platform::utf16ToUtf8(units);
    }
    if (platform::isValidUtf8(bytes)) return std::string(bytes);
    return platform::systemCodePageToUtf8(bytes);
}

}  // namespace

std::string startDirLine(std::string_view fileBytes) {
    std::string text = decodeStartDirFile(fileBytes);
    std::string line = text.substr(0, text.find('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();  // CR LF
    // At most 5000 characters of the line, never half a letter.
    if (line.size() > 5000) {
        size_t cut = 5000;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        line.resize(cut);
    }
    return line;
}

std::string getStartDir() {
    std::string bytes;
    if (!readTextFile(kStartDirFile, bytes)) return {};
    std::string line = startDirLine(bytes);
    // Blanks an editor or "echo dir > startdir.txt" left at the end are not
    // part of the name, unless only the name with them is a folder.
    std::string trimmed = trimRight(line);
    if (trimmed != line && !isDir(trimmed) && isDir(line)) return line;
    return trimmed;
}

}  // namespace qrl
