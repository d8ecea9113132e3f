#pragma once
// Just enough JSON writing for the command line tool. JSON is UTF-8, and the program's texts come
// in two encodings: texts from inside demos are Latin-1 (Windows-1252 in the game; each byte above
// 127 is written as the Latin-1 code point it stands for), file names and the user's own texts are
// UTF-8 and go out as the bytes they are.
#include <cstdio>
#include <string>
#include <string_view>

#include "core/common/TextEncoding.h"
#include "core/row/DemoInfo.h"

namespace cli {

// `utf8` must be well-formed UTF-8; only ASCII is escaped.
inline std::string JsonQuoted(std::string_view utf8)
{
    std::string out = "\"";
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
    return out;
}

// A text from inside a demo, or the program's own.
inline std::string JsonString(std::string_view latin1)
{
    return JsonQuoted(core::Utf8FromLatin1(latin1));
}

// A file name or path, or a text the user wrote. Bytes that are no UTF-8 (a file name from another
// system) go out as the Latin-1 characters they code, so that the output stays valid JSON.
inline std::string JsonUtf8String(std::string_view utf8)
{
    return JsonQuoted(core::ValidUtf8(utf8));
}

// A list column in the encoding that column holds.
inline std::string JsonField(const core::DemoInfo& row, int column)
{
    return core::FieldHoldsUtf8(column) ? JsonUtf8String(row[column]) : JsonString(row[column]);
}

} // namespace cli
