#include "measurements/log_codec.h"

#include <algorithm>
#include <deque>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>

#include "model/material_table.h"

namespace {

using Bytes = std::vector<unsigned char>;

const unsigned char kByteOrderMark[] = {0xEF, 0xBB, 0xBF};
constexpr char32_t kReplacement = 0xFFFD;

void AppendCodePoint(Bytes& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<unsigned char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<unsigned char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<unsigned char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<unsigned char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<unsigned char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<unsigned char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<unsigned char>(0x80 | (c & 0x3F)));
    }
}

bool IsSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// Appends the text as UTF-8. wchar_t holds UTF-16 on Windows and whole code
// points elsewhere; what is no character in either (a lone surrogate, a value
// above U+10FFFF) is written as U+FFFD, so the file is always valid UTF-8.
void AppendUtf8(Bytes& out, const std::wstring& text) {
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        char32_t c = static_cast<char32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            c &= 0xFFFF;
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n) {
                const char32_t low = static_cast<char32_t>(text[i + 1]) & 0xFFFF;
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        if (IsSurrogate(c) || c > 0x10FFFF) c = kReplacement;
        AppendCodePoint(out, c);
    }
}

void AppendWide(std::wstring& out, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(c);
}

// The length of the UTF-8 sequence at `p`, or 0 when it is not one: overlong
// forms, surrogates and values above U+10FFFF are refused (RFC 3629).
size_t Utf8SequenceLength(const unsigned char* p, const unsigned char* end) {
    const unsigned char b = p[0];
    if (b < 0x80) return 1;
    size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        if (b == 0xE0) low = 0xA0;   // overlong below U+0800
        if (b == 0xED) high = 0x9F;  // surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        if (b == 0xF0) low = 0x90;   // overlong below U+10000
        if (b == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
        return 0;
    }
    if (static_cast<size_t>(end - p) < length) return 0;
    if (p[1] < low || p[1] > high) return 0;
    for (size_t k = 2; k < length; ++k) {
        if (p[k] < 0x80 || p[k] > 0xBF) return 0;
    }
    return length;
}

bool IsValidUtf8(const unsigned char* p, const unsigned char* end) {
    while (p < end) {
        // ASCII goes eight bytes at a time while it lasts.
        while (end - p >= 8 && ((p[0] | p[1] | p[2] | p[3] | p[4] | p[5] | p[6] | p[7]) & 0x80) == 0) p += 8;
        if (p == end) break;
        const size_t length = Utf8SequenceLength(p, end);
        if (length == 0) return false;
        p += length;
    }
    return true;
}

// Text from bytes already known to be valid UTF-8.
std::wstring WideFromUtf8(std::string_view bytes) {
    const size_t n = bytes.size();
    size_t ascii = 0;
    while (ascii < n && static_cast<unsigned char>(bytes[ascii]) < 0x80) ++ascii;
    if (ascii == n) return std::wstring(bytes.begin(), bytes.end());
    std::wstring text(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(ascii));
    for (size_t i = ascii; i < n;) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        char32_t c;
        size_t length;
        if (b < 0x80) {
            c = b;
            length = 1;
        } else if (b < 0xE0) {
            c = b & 0x1F;
            length = 2;
        } else if (b < 0xF0) {
            c = b & 0x0F;
            length = 3;
        } else {
            c = b & 0x07;
            length = 4;
        }
        for (size_t k = 1; k < length; ++k) c = (c << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
        AppendWide(text, c);
        i += length;
    }
    return text;
}

bool NeedsQuotes(const unsigned char* p, const unsigned char* end) {
    for (; p < end; ++p) {
        if (*p == ',' || *p == '"' || *p == '\r' || *p == '\n') return true;
    }
    return false;
}

void AppendField(Bytes& out, const std::wstring& text) {
    const size_t start = out.size();
    AppendUtf8(out, text);
    if (!NeedsQuotes(out.data() + start, out.data() + out.size())) return;
    const Bytes body(out.begin() + static_cast<std::ptrdiff_t>(start), out.end());
    out.resize(start);
    out.push_back('"');
    for (unsigned char b : body) {
        out.push_back(b);
        if (b == '"') out.push_back('"');
    }
    out.push_back('"');
}

void AppendAscii(Bytes& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

void AppendLineEnd(Bytes& out) {
    out.push_back('\r');
    out.push_back('\n');
}

// Splits the file into lines of fields, one line at a time. A field is a view
// of the file's bytes, or, when it has doubled quotes, of its text without them,
// which the reader keeps until the next line.
class CsvReader {
public:
    CsvReader(const unsigned char* p, const unsigned char* end) : p_(p), end_(end) {}

    bool AtEnd() const { return p_ == end_; }

    // The number of line ends: at least the number of lines less one.
    size_t CountLineEnds() const { return static_cast<size_t>(std::count(p_, end_, '\n')); }

    // Reads the next line's fields; the status of what stopped it otherwise.
    CsvStatus ReadLine(std::vector<std::string_view>& fields) {
        fields.clear();
        unquoted_.clear();
        for (;;) {
            if (p_ < end_ && *p_ == '"') {
                const unsigned char* begin = ++p_;
                std::string* copy = nullptr;
                for (;;) {
                    const unsigned char* quote = std::find(p_, end_, '"');
                    if (quote == end_) return CsvStatus::unterminatedQuote;
                    if (quote + 1 < end_ && quote[1] == '"') {
                        // A doubled quote: from here on the field is a copy.
                        if (!copy)
                            copy = &unquoted_.emplace_back(Chars(begin), static_cast<size_t>(p_ - begin));
                        copy->append(Chars(p_), static_cast<size_t>(quote + 1 - p_));
                        p_ = quote + 2;
                        continue;
                    }
                    if (copy) {
                        copy->append(Chars(p_), static_cast<size_t>(quote - p_));
                        fields.emplace_back(*copy);
                    } else {
                        fields.emplace_back(Chars(begin), static_cast<size_t>(quote - begin));
                    }
                    p_ = quote + 1;
                    break;
                }
            } else {
                const unsigned char* stop = p_;
                while (stop < end_ && *stop != ',' && *stop != '\r' && *stop != '\n') {
                    if (*stop == '"') return CsvStatus::misplacedQuote;
                    ++stop;
                }
                fields.emplace_back(Chars(p_), static_cast<size_t>(stop - p_));
                p_ = stop;
            }
            // What follows a field: a comma, a line end or the end of the file.
            if (p_ == end_) return CsvStatus::ok;
            if (*p_ == ',') {
                ++p_;
                continue;
            }
            if (*p_ == '\n') {
                ++p_;
                return CsvStatus::ok;
            }
            if (*p_ == '\r') {
                if (end_ - p_ < 2 || p_[1] != '\n') return CsvStatus::strayCarriageReturn;
                p_ += 2;
                return CsvStatus::ok;
            }
            return CsvStatus::misplacedQuote;  // text after a closing quote
        }
    }

private:
    static const char* Chars(const unsigned char* p) { return reinterpret_cast<const char*>(p); }

    const unsigned char* p_;
    const unsigned char* end_;
    std::deque<std::string> unquoted_;  // stays where it is as it grows
};

// A decimal number without sign or leading zero, of at most `maxDigits`
// digits; -1 otherwise.
int CanonicalNumber(std::string_view text, size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits || (text[0] == '0' && text.size() > 1)) return -1;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool IsHeader(const std::vector<std::string_view>& fields) {
    if (fields.size() != static_cast<size_t>(kLogColumnCount)) return false;
    for (int column = 0; column < kLogColumnCount; ++column) {
        Bytes title;
        AppendUtf8(title, kLogColumnTitles[column]);
        if (fields[column] != std::string_view(reinterpret_cast<const char*>(title.data()), title.size())) {
            return false;
        }
    }
    return true;
}

// One line of the file as a row; `previous` is the number of the line before.
CsvStatus ReadRow(const std::vector<std::string_view>& fields, int previous, MeasurementRow& row) {
    if (fields.size() != static_cast<size_t>(kLogColumnCount)) return CsvStatus::wrongFieldCount;
    row.number = CanonicalNumber(fields[kLogNumber], 9);
    if (row.number <= previous || row.number > MeasurementLog::kMaxNumber) return CsvStatus::badNumber;
    row.time = WideFromUtf8(fields[kLogTime]);
    if (!IsRecordTime(row.time)) return CsvStatus::badTime;
    row.material = CanonicalNumber(fields[kLogMaterial], 3);
    if (row.material < 0 || row.material > kMaxMaterials) return CsvStatus::badMaterial;
    for (int column = kLogHallFactor; column < kLogColumnCount; ++column) {
        *ShownText(row, column) = WideFromUtf8(fields[column]);
    }
    return CsvStatus::ok;
}

// A shown text in a tab-separated cell.
void AppendTabField(std::wstring& out, const std::wstring& text) {
    const bool quoted = !text.empty() && text[0] == L'"';
    if (quoted) out += L'"';
    for (wchar_t c : text) {
        if (c == L'\t' || c == L'\r' || c == L'\n' || c == L'\0') {
            out += L' ';
        } else {
            out += c;
            if (quoted && c == L'"') out += L'"';
        }
    }
    if (quoted) out += L'"';
}

void AppendTabLine(std::wstring& out, const std::wstring* cells) {
    for (int column = 0; column < kLogColumnCount; ++column) {
        if (column > 0) out += L'\t';
        AppendTabField(out, cells[column]);
    }
    out += L"\r\n";
}

}  // namespace

std::vector<unsigned char> EncodeLogCsv(const MeasurementLog& log) {
    Bytes out(std::begin(kByteOrderMark), std::end(kByteOrderMark));
    // About a hundred bytes a row for the panel's usual texts.
    out.reserve(256 + 128 * log.size());
    for (int column = 0; column < kLogColumnCount; ++column) {
        if (column > 0) out.push_back(',');
        AppendField(out, kLogColumnTitles[column]);
    }
    AppendLineEnd(out);
    for (const MeasurementRow& row : log.rows()) {
        AppendAscii(out, std::to_string(row.number));
        out.push_back(',');
        AppendField(out, row.time);
        out.push_back(',');
        AppendAscii(out, std::to_string(row.material));
        for (int column = kLogHallFactor; column < kLogColumnCount; ++column) {
            out.push_back(',');
            AppendField(out, *ShownText(row, column));
        }
        AppendLineEnd(out);
    }
    return out;
}

CsvDecodeResult DecodeLogCsv(const unsigned char* data, size_t size, MeasurementLog& log) {
    CsvDecodeResult result;
    const unsigned char* p = data;
    const unsigned char* end = data + size;
    if (size >= 3 && std::equal(std::begin(kByteOrderMark), std::end(kByteOrderMark), p)) p += 3;
    if (!IsValidUtf8(p, end)) {
        result.status = CsvStatus::invalidUtf8;
        return result;
    }

    CsvReader reader(p, end);
    std::vector<MeasurementRow> rows;
    std::vector<std::string_view> fields;
    int previous = 0;
    for (size_t line = 1; !reader.AtEnd(); ++line) {
        result.line = line;
        result.status = reader.ReadLine(fields);
        if (result.status != CsvStatus::ok) return result;
        if (line == 1) {
            if (!IsHeader(fields)) {
                result.status = CsvStatus::wrongHeader;
                return result;
            }
            rows.reserve(std::min(reader.CountLineEnds(), MeasurementLog::kMaxRows));
            continue;
        }
        if (rows.size() == MeasurementLog::kMaxRows) {
            result.status = CsvStatus::tooManyRows;
            return result;
        }
        MeasurementRow row;
        result.status = ReadRow(fields, previous, row);
        if (result.status != CsvStatus::ok) return result;
        previous = row.number;
        rows.push_back(std::move(row));
    }
    // Every check Assign makes has been made line by line above.
    log.Assign(std::move(rows));
    return CsvDecodeResult{};
}

std::wstring LogTabSeparatedText(const MeasurementLog& log, const std::vector<size_t>& indices) {
    std::vector<bool> chosen(log.size(), false);
    for (size_t index : indices) {
        if (index < log.size()) chosen[index] = true;
    }
    std::wstring out;
    std::wstring cells[kLogColumnCount];
    for (int column = 0; column < kLogColumnCount; ++column) cells[column] = kLogColumnTitles[column];
    AppendTabLine(out, cells);
    for (size_t i = 0; i < log.size(); ++i) {
        if (!chosen[i]) continue;
        for (int column = 0; column < kLogColumnCount; ++column) cells[column] = LogCellText(log[i], column);
        AppendTabLine(out, cells);
    }
    return out;
}
