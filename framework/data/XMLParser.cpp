// Pull reader for the game's XML data files: encoding detection, the three character readers and the element
// state machine. Files are read through the pack wrappers in blocks; characters are taken from the block, and plain
// tags, text and comments are taken from it whole, to the same elements the state machine reads.
#include "data/XMLParser.h"

#include <algorithm>
#include <bit>

#include "base/Common.h"
#include "data/PakInterface.h"

#include <cstdio>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Zest
{

namespace
{

constexpr size_t kReadBlockSize = 32 * 1024;
// Bytes after the block: a zero right after its end stops scans without a bound check, and a name in it can be read
// eight bytes at a time (see SameText).
constexpr size_t kBlockPadding = 16;

// The C locale's isspace, applied to the low eight bits as the data files have always been read.
inline bool IsBlank(char16_t c)
{
    const unsigned b = c & 0xFF;
    return b == ' ' || (b >= '\t' && b <= '\r');
}

// The same as a byte table, for loops that a zero byte ends.
struct BlankBytes
{
    bool blank[256];
    BlankBytes()
    {
        for (unsigned b = 0; b < 256; ++b) blank[b] = IsBlank(static_cast<char16_t>(b));
    }
};
const BlankBytes kBlankBytes;

// Byte classes for the run fast paths, one set per single-byte encoding (UTF-8 leaves bytes from 0x80 to the
// decoder). Line feeds are never part of a run, so the line count stays exact.
struct RunTables
{
    bool quoted[256];  // inside double quotes: everything but the closing quote
    bool plain[256];   // names, unquoted values and text: nothing that could end or change the current item
    bool comment[256]; // comment text up to a possible end
    bool text[256];    // text between tags: everything but blanks, control characters and < > "
    explicit RunTables(unsigned limit)
    {
        for (unsigned b = 0; b < 256; ++b)
        {
            // '&' stays out of runs so that the character path alone has to note that text needs decoding.
            const bool byte = b < limit && b != '\n' && b != '&';
            quoted[b] = byte && b != '"';
            plain[b] = byte && b > 0x20 && b != '"' && b != '<' && b != '>' && b != '=' && b != '/' && b != '?';
            comment[b] = (byte || b == '&') && b != '>';
            text[b] = b < limit && b > 0x20 && b != '<' && b != '>' && b != '"';
        }
    }
};
const RunTables kOneByteRuns(256);
const RunTables kUtf8Runs(0x80);

constexpr uint64_t kOnes = 0x0101010101010101ULL, kHighs = 0x8080808080808080ULL;

// The high bit of each byte of v equal to b; exact for the lowest such byte, which is all the runs below look at.
[[gnu::always_inline]] inline uint64_t BytesEqual(uint64_t v, uint8_t b)
{
    const uint64_t x = v ^ (kOnes * b);
    return (x - kOnes) & ~x & kHighs;
}

// The first marked byte of eight.
[[gnu::always_inline]] inline size_t FirstMarked(uint64_t mask)
{
    return static_cast<size_t>(__builtin_ctzll(mask)) / 8;
}

#if defined(__SSE2__)
// Sixteen bytes at a time: the mask of the bytes that end a run, as bits.
[[gnu::always_inline]] inline unsigned QuotedStops16(const uint8_t* p, bool utf8)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i stop =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))),
                     _mm_cmpeq_epi8(v, _mm_set1_epi8('&')));
    return static_cast<unsigned>(_mm_movemask_epi8(stop)) | (utf8 ? static_cast<unsigned>(_mm_movemask_epi8(v)) : 0);
}

[[gnu::always_inline]] inline unsigned NameStops16(const uint8_t* p, bool utf8)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // Bytes up to 0x20 (unsigned): the ones the minimum with 0x20 leaves unchanged. The seven other stops are
    // written out so that their constants stay in registers across the loop.
    const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(0x20)), v);
    const __m128i quoteOrAmp =
        _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')), _mm_cmpeq_epi8(v, _mm_set1_epi8('&')));
    const __m128i angles = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('<')), _mm_cmpeq_epi8(v, _mm_set1_epi8('>')));
    const __m128i marks =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('=')), _mm_cmpeq_epi8(v, _mm_set1_epi8('/'))),
                     _mm_cmpeq_epi8(v, _mm_set1_epi8('?')));
    const __m128i stop = _mm_or_si128(_mm_or_si128(low, quoteOrAmp), _mm_or_si128(angles, marks));
    return static_cast<unsigned>(_mm_movemask_epi8(stop)) | (utf8 ? static_cast<unsigned>(_mm_movemask_epi8(v)) : 0);
}
#endif

// Length of a run of quoted text: everything but a closing quote, a line feed, an ampersand, or in UTF-8 a byte of a
// longer sequence. Many bytes at a time, then byte by byte near the end of the block.
[[gnu::always_inline]] inline size_t QuotedRunLength(const uint8_t* begin, const uint8_t* end, bool utf8,
                                                     const bool* table)
{
    const uint8_t* p = begin;
#if defined(__SSE2__)
    while (end - p >= 16)
    {
        if (const unsigned stop = QuotedStops16(p, utf8))
            return static_cast<size_t>(p - begin) + static_cast<size_t>(__builtin_ctz(stop));
        p += 16;
    }
#endif
    while (end - p >= 8)
    {
        uint64_t v;
        std::memcpy(&v, p, 8);
        const uint64_t stop = BytesEqual(v, '"') | BytesEqual(v, '\n') | BytesEqual(v, '&') | (utf8 ? (v & kHighs) : 0);
        if (stop) return static_cast<size_t>(p - begin) + FirstMarked(stop);
        p += 8;
    }
    while (p < end && table[*p]) ++p;
    return static_cast<size_t>(p - begin);
}

// Length of a run of name characters, the plain table's bytes, many at a time as above. A byte up to 0x20 (blanks and
// control characters) or one of " < > = / ? & ends the run, as does in UTF-8 a byte of a longer sequence.
[[gnu::always_inline]] inline size_t NameRunLength(const uint8_t* begin, const uint8_t* end, bool utf8,
                                                   const bool* table)
{
    const uint8_t* p = begin;
#if defined(__SSE2__)
    while (end - p >= 16)
    {
        if (const unsigned stop = NameStops16(p, utf8))
            return static_cast<size_t>(p - begin) + static_cast<size_t>(__builtin_ctz(stop));
        p += 16;
    }
#endif
    while (end - p >= 8)
    {
        uint64_t v;
        std::memcpy(&v, p, 8);
        // Bytes below 0x21: (v - 0x21..) borrows into the high bit, masked by bytes that had it clear.
        const uint64_t low = (v - kOnes * 0x21) & ~v & kHighs;
        const uint64_t stop = low | BytesEqual(v, '"') | BytesEqual(v, '<') | BytesEqual(v, '>') | BytesEqual(v, '=') |
                              BytesEqual(v, '/') | BytesEqual(v, '?') | BytesEqual(v, '&') | (utf8 ? (v & kHighs) : 0);
        if (stop) return static_cast<size_t>(p - begin) + FirstMarked(stop);
        p += 8;
    }
    while (p < end && table[*p]) ++p;
    return static_cast<size_t>(p - begin);
}

// Names compared eight bytes at a time. Both sides always have sixteen bytes readable from their start: a string's
// buffer holds at least that much (short strings live in the object itself), and the read block is padded (see
// kBlockPadding). Bytes past the length are masked out, which takes the first byte as the lowest.
static_assert(std::endian::native == std::endian::little);
inline bool SameText(const std::string& a, std::string_view b)
{
    const size_t n = a.size();
    if (n != b.size()) return false;
    const char* x = a.data();
    const char* y = b.data();
    uint64_t u, v;
    if (n < 8)
    {
        std::memcpy(&u, x, 8);
        std::memcpy(&v, y, 8);
        return ((u ^ v) & ((uint64_t{1} << (8 * n)) - 1)) == 0;
    }
    for (size_t i = 0; i + 8 < n; i += 8)
    {
        std::memcpy(&u, x + i, 8);
        std::memcpy(&v, y + i, 8);
        if (u != v) return false;
    }
    std::memcpy(&u, x + n - 8, 8);
    std::memcpy(&v, y + n - 8, 8);
    return u == v;
}

// A value written over an entry's old one: the append path skips the overlap checks of a general assign.
[[gnu::always_inline]] inline void SetText(std::string& s, std::string_view text)
{
    s.clear();
    s.append(text.data(), text.size());
}

// Short strings: a plain loop beats a library call.
inline bool HasEntity(const std::string& s)
{
    for (char c : s)
        if (c == '&') return true;
    return false;
}

} // namespace

// ---- attribute text ----

void XMLParser::AttributeText::AppendWide(char16_t c)
{
    if (isWide)
        wide.push_back(static_cast<wchar_t>(c));
    else
    {
        wide = NarrowToWide(narrow);
        wide.push_back(static_cast<wchar_t>(c));
        isWide = true;
    }
}

void XMLParser::AttributeText::Clear()
{
    narrow.clear();
    wide.clear();
    isWide = false;
    hasAmpersand = false;
}

const std::string& XMLParser::AttributeText::Decoded(std::string& scratch) const
{
    if (isWide)
    {
        scratch = WideToNarrow(XmlDecode(wide));
        return scratch;
    }
    // Narrowing commutes with decoding for text whose characters all fit a byte, and text without '&' has
    // nothing to decode.
    if (!hasAmpersand) return narrow;
    scratch = XmlDecode(narrow);
    return scratch;
}

// ---- opening ----

XMLParser::XMLParser() = default;

XMLParser::~XMLParser()
{
    CloseFile();
}

void XMLParser::CloseFile()
{
    mFile.reset();
    mBufferPos = mBufferEnd = 0;
    // The bytes of the file read before are no text of the next.
    if (mBuffer) mBuffer[0] = 0;
    mEndOfData = false;
}

void XMLParser::SelectReader(ReaderKind kind)
{
    mReaderKind = kind;
    mQuotedRunTable = mPlainRunTable = mCommentRunTable = nullptr;
    switch (kind)
    {
    case ReaderKind::OneByte:
        mGetCharFunc = &XMLParser::ReadOneByteChar;
        mQuotedRunTable = kOneByteRuns.quoted;
        mPlainRunTable = kOneByteRuns.plain;
        mCommentRunTable = kOneByteRuns.comment;
        return;
    case ReaderKind::UTF8:
        mGetCharFunc = &XMLParser::ReadUTF8Char;
        break;
    case ReaderKind::TwoByte:
        mGetCharFunc = &XMLParser::ReadTwoByteChar;
        break;
    }
}

bool XMLParser::OpenFile(const std::string& fileName)
{
    CloseFile();
    PakFile owned = PakOpenFile(fileName, "r");
    PackFileHandle* file = owned.get();
    if (!file)
    {
        mLineNumber = 0;
        SetError("Unable to open file " + fileName);
        return false;
    }

    PakSeek(file, 0, SEEK_END);
    const long size = PakTell(file);
    PakSeek(file, 0, SEEK_SET);

    // The order mark is sniffed and then the file is rewound, so the mark passes through the chosen reader.
    ReaderKind kind = ReaderKind::OneByte;
    if (size >= 2)
    {
        uint8_t b[2] = {};
        if (PakRead(b, 2, 1, file) == 1 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF)))
            kind = ReaderKind::TwoByte;
        PakSeek(file, 0, SEEK_SET);
    }
    if (kind == ReaderKind::OneByte && size >= 3)
    {
        uint8_t b[3] = {};
        if (PakRead(b, 3, 1, file) == 1 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) kind = ReaderKind::UTF8;
        PakSeek(file, 0, SEEK_SET);
    }

    mFile = std::move(owned);
    if (!mBuffer)
    {
        // Left as it is but for the padding: clearing a whole block costs more than reading a small file.
        mBuffer = std::make_unique_for_overwrite<uint8_t[]>(kReadBlockSize + kBlockPadding);
        std::memset(mBuffer.get() + kReadBlockSize, 0, kBlockPadding);
    }
    mBufferPos = mBufferEnd = 0;
    mBuffer[0] = 0;
    mEndOfData = false;
    mFileName = fileName;
    mCurrentSection.clear();
    mDepth = 0;
    mPushBack.clear();
    mPendingEndTag = false;
    mLineNumber = 1;
    mHasFailed = false;
    mErrorText.clear();
    mFirstChar = true;
    mByteSwap = false;
    SelectReader(kind);
    return true;
}

void XMLParser::SetError(const std::string& text)
{
    mHasFailed = true;
    mErrorText = text;
}

// ---- bytes and characters ----

bool XMLParser::Refill()
{
    if (!mFile || mEndOfData) return false;
    mBufferPos = 0;
    mBufferEnd = PakRead(mBuffer.get(), 1, kReadBlockSize, mFile.get());
    mBuffer[mBufferEnd] = 0;
    if (mBufferEnd == 0)
    {
        mEndOfData = true;
        return false;
    }
    return true;
}

inline bool XMLParser::ReadByte(uint8_t& b)
{
    if (mBufferPos == mBufferEnd && !Refill()) return false;
    b = mBuffer[mBufferPos++];
    return true;
}

bool XMLParser::ReadOneByteChar(char16_t& c, bool& error)
{
    error = false;
    uint8_t b;
    if (!ReadByte(b)) return false;
    c = b;
    return true;
}

bool XMLParser::ReadTwoByteChar(char16_t& c, bool& error)
{
    error = false;
    auto readUnit = [this](char16_t& u)
    {
        uint8_t lo, hi;
        if (!ReadByte(lo) || !ReadByte(hi)) return false;
        u = mByteSwap ? static_cast<char16_t>(lo << 8 | hi) : static_cast<char16_t>(hi << 8 | lo);
        return true;
    };
    for (;;)
    {
        char16_t u;
        if (!readUnit(u)) return false;
        if (mFirstChar)
        {
            mFirstChar = false;
            if (u == 0xFEFF) continue;
            if (u == 0xFFFE)
            {
                mByteSwap = true;
                continue;
            }
        }
        if ((u & 0xFC00) == 0xD800)
        {
            char16_t v;
            // An unpaired surrogate ends the data, as a short file would.
            if (!readUnit(v) || (v & 0xFC00) != 0xDC00) return false;
            c = static_cast<char16_t>((u << 10) | (v & 0x3FF));
            return true;
        }
        if ((u & 0xFC00) == 0xDC00) return false;
        c = u;
        return true;
    }
}

bool XMLParser::ReadUTF8Char(char16_t& c, bool& error)
{
    for (;;)
    {
        error = true;
        uint8_t lead;
        if (!ReadByte(lead))
        {
            error = false;
            return false;
        }
        uint32_t value;
        int extra;
        if (lead < 0x80)
        {
            value = lead;
            extra = 0;
        }
        else if ((lead & 0xE0) == 0xC0)
        {
            if ((lead & 0x3E) == 0) return false;
            value = lead & 0x1F;
            extra = 1;
        }
        else if ((lead & 0xF0) == 0xE0)
        {
            value = lead & 0x0F;
            extra = 2;
        }
        else if ((lead & 0xF8) == 0xF0)
        {
            value = lead & 0x07;
            extra = 3;
        }
        else if ((lead & 0xFC) == 0xF8)
        {
            value = lead & 0x03;
            extra = 4;
        }
        else
            return false;
        for (int i = 0; i < extra; ++i)
        {
            uint8_t b;
            if (!ReadByte(b) || (b & 0xC0) != 0x80) return false;
            if (i == 0)
            {
                const bool overlong = (extra == 2 && (lead & 0x1F) == 0 && (b & 0x20) == 0) ||
                                      (extra == 3 && (lead & 0x0F) == 0 && (b & 0x30) == 0) ||
                                      (extra == 4 && (lead & 0x07) == 0 && (b & 0x38) == 0);
                if (overlong) return false;
            }
            value = (value << 6) | (b & 0x3F);
        }
        if ((value >= 0xD800 && value <= 0xDFFF) || value == 0xFFFE || value == 0xFFFF) return false;
        if (mFirstChar)
        {
            // From here on a byte below 0x80 is a whole character.
            mFirstChar = false;
            mQuotedRunTable = kUtf8Runs.quoted;
            mPlainRunTable = kUtf8Runs.plain;
            mCommentRunTable = kUtf8Runs.comment;
            if (value == 0xFEFF) continue;
        }
        error = false;
        c = static_cast<char16_t>(value);
        return true;
    }
}

inline bool XMLParser::NextChar(char16_t& c, bool& error)
{
    if (!mPushBack.empty())
    {
        c = mPushBack.back();
        mPushBack.pop_back();
    }
    else if (mBufferPos < mBufferEnd &&
             (mReaderKind == ReaderKind::OneByte ||
              (mReaderKind == ReaderKind::UTF8 && !mFirstChar && mBuffer[mBufferPos] < 0x80)))
    {
        // A plain byte is its own character in these two encodings.
        c = mBuffer[mBufferPos++];
    }
    else if (!(this->*mGetCharFunc)(c, error))
        return false;
    if (c == '\n') ++mLineNumber;
    return true;
}

[[gnu::always_inline]] inline size_t XMLParser::PlainRun(const bool* table) const
{
    if (!table || !mPushBack.empty()) return 0;
    const uint8_t* begin = mBuffer.get() + mBufferPos;
    const uint8_t* end = mBuffer.get() + mBufferEnd;
    if (table == mQuotedRunTable) return QuotedRunLength(begin, end, mReaderKind == ReaderKind::UTF8, table);
    const uint8_t* p = begin;
    while (p < end && table[*p]) ++p;
    return static_cast<size_t>(p - begin);
}

[[gnu::always_inline]] inline void XMLParser::SkipRun(size_t n, std::string& to)
{
    to.append(reinterpret_cast<const char*>(mBuffer.get() + mBufferPos), n);
    mBufferPos += n;
}

// Further blanks after one that has been handled change nothing, whatever the element's state.
[[gnu::always_inline]] inline void XMLParser::SkipBlankRun()
{
    if (!mPlainRunTable || !mPushBack.empty()) return;
#if defined(__SSE2__)
    // Indentation sixteen bytes at a time, counting its line feeds.
    while (mBufferEnd - mBufferPos >= 16)
    {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mBuffer.get() + mBufferPos));
        // Blanks are ' ' and '\t' to '\r': v - 9 (wrapping) up to 4, or a space.
        const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(_mm_sub_epi8(v, _mm_set1_epi8(9)), _mm_set1_epi8(4)),
                                               _mm_sub_epi8(v, _mm_set1_epi8(9)));
        const unsigned blank =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(control, _mm_cmpeq_epi8(v, _mm_set1_epi8(' ')))));
        const unsigned feeds = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))));
        const unsigned run = blank == 0xFFFF ? 16 : static_cast<unsigned>(__builtin_ctz(~blank));
        // Few line feeds in a run of indentation: counted one by one (a population count is a library call on
        // the baseline instruction set).
        for (unsigned f = feeds & ((1u << run) - 1); f; f &= f - 1) ++mLineNumber;
        mBufferPos += run;
        if (run < 16) return;
    }
#endif
    while (mBufferPos < mBufferEnd)
    {
        const uint8_t b = mBuffer[mBufferPos];
        if (b == '\n')
            ++mLineNumber;
        else if (b != ' ' && (b < '\t' || b > '\r'))
            return;
        ++mBufferPos;
    }
}

// With an attribute name begun, takes the rest of the common form name="value" in one step when all of it is
// already in the block: the same result as the state machine, character by character.
inline bool XMLParser::TakeQuotedAttribute()
{
    if (!mPlainRunTable || !mPushBack.empty()) return false;
    const size_t nameRun = PlainRun(mPlainRunTable);
    const uint8_t* base = mBuffer.get();
    size_t p = mBufferPos + nameRun;
    if (p + 1 >= mBufferEnd || base[p] != '=' || base[p + 1] != '"') return false;
    const size_t valueBegin = p + 2;
    size_t q = valueBegin;
    q += QuotedRunLength(base + q, base + mBufferEnd, mReaderKind == ReaderKind::UTF8, mQuotedRunTable);
    if (q >= mBufferEnd || base[q] != '"') return false;
    mAttrName.narrow.append(reinterpret_cast<const char*>(base + mBufferPos), nameRun);
    mAttrValue.narrow.append(reinterpret_cast<const char*>(base + valueBegin), q - valueBegin);
    mBufferPos = q + 1;
    return true;
}

// A whole simple tag at once when all of it is already in the block: a start tag of plain names and double-quoted
// values without line feeds in them (`<Row a="1" b="&amp;"/>`), or an end tag that closes the innermost open
// element (`</Row>`). Anything else is left to the state machine, which reads it to the same element, quirks
// included: a quoted value ending in '/' right before '>' closes the tag. Leading blanks are skipped either way, as
// the state machine skips them before an element.
bool XMLParser::TakeSimpleTag(XMLElement& element)
{
    if (!mPlainRunTable || !mPushBack.empty() || mDepth >= kMaxDepth) return false;
    SkipBlankRun();
    // The zero after the block stops the first test before the second could look past it.
    while (mBuffer[mBufferPos] == '<' && mBuffer[mBufferPos + 1] == '!' && SkipComment()) SkipBlankRun();
    const uint8_t* base = mBuffer.get();
    const size_t end = mBufferEnd;
    size_t p = mBufferPos;
    if (end - p < 3 || base[p] != '<') return false;
    ++p;
    const bool endTag = base[p] == '/';
    if (endTag) ++p;
    const bool utf8 = mReaderKind == ReaderKind::UTF8;
    const size_t nameBegin = p;
    p += NameRunLength(base + p, base + end, utf8, mPlainRunTable);
    if (p == nameBegin || p >= end || base[nameBegin] == '!') return false;
    const size_t nameLength = p - nameBegin;
    const char* name = reinterpret_cast<const char*>(base + nameBegin);

    if (endTag)
    {
        // Only the matching end tag: a mismatch is an error the state machine reports. The name holds no '/', so it
        // matches the innermost open element when the open path ends with it, after a '/' or at its start.
        const size_t size = mCurrentSection.size();
        if (base[p] != '>' || size < nameLength) return false;
        const size_t begin = size - nameLength;
        if (begin > 0 && mCurrentSection[begin - 1] != '/') return false;
        for (size_t i = 0; i < nameLength; ++i)
            if (mCurrentSection[begin + i] != name[i]) return false;
        element.mType = XMLElement::TypeEndTag;
        SetText(element.mValue, {name, nameLength});
        CloseInnermost(nameLength);
        mBufferPos = p + 1;
        return true;
    }

    // Taken as scanned. A tag that turns out not to be simple is given up, and the element is reset for the state
    // machine: entries already set belong to the record only until then, and a kind's entries are only ever looked up
    // by name.
    element.mType = XMLElement::TypeStartTag;
    SetText(element.mValue, {name, nameLength});
    auto giveUp = [&]
    {
        ResetElement(element);
        return false;
    };
    int lines = 0;
    bool selfClosing = false;
    AttributeMap::iterator last;
    bool any = false;
    for (;;)
    {
        // The zero after the block ends a run of blanks.
        size_t q = p;
        while (kBlankBytes.blank[base[q]])
        {
            lines += base[q] == '\n';
            ++q;
        }
        if (q >= end) return giveUp();
        if (base[q] == '>')
        {
            p = q + 1;
            break;
        }
        if (base[q] == '/')
        {
            if (base[q + 1] != '>') return giveUp();
            selfClosing = true;
            p = q + 2;
            break;
        }
        // Names and values must be set apart by blanks; a value run into the next name reads otherwise.
        if (q == p) return giveUp();
        const size_t r = q + NameRunLength(base + q, base + end, utf8, mPlainRunTable);
        if (r == q || base[r] != '=' || base[r + 1] != '"') return giveUp();
        const size_t valueBegin = r + 2;
        size_t valueEnd = valueBegin + QuotedRunLength(base + valueBegin, base + end, utf8, mQuotedRunTable);
        // An entity in a value is decoded as the character path decodes it.
        bool entity = false;
        while (valueEnd < end && base[valueEnd] == '&')
        {
            entity = true;
            ++valueEnd;
            valueEnd += QuotedRunLength(base + valueEnd, base + end, utf8, mQuotedRunTable);
        }
        if (valueEnd >= end || base[valueEnd] != '"') return giveUp();
        std::string_view value(reinterpret_cast<const char*>(base + valueBegin), valueEnd - valueBegin);
        if (entity)
        {
            mDecodedValue.assign(value);
            mDecodedValue = XmlDecode(mDecodedValue);
            value = mDecodedValue;
        }
        last = AddAttribute(element, {reinterpret_cast<const char*>(base + q), r - q}, value);
        any = true;
        p = valueEnd + 1;
    }
    if (any && !selfClosing && !last->second.empty() && last->second.back() == '/')
    {
        last->second.pop_back();
        selfClosing = true;
    }
    mLineNumber += lines;
    mBufferPos = p;
    ++mDepth;
    if (selfClosing)
    {
        mPendingEndTag = true;
        mPendingEndTagLength = nameLength;
        mPendingPlain = true;
    }
    if (!mCurrentSection.empty()) mCurrentSection += '/';
    mCurrentSection += element.mValue;
    FinishAttributes(element);
    return true;
}

// A whole comment at once when all of it is in the block: "<!--", a blank, and everything up to the first "-->"
// after that blank. The state machine reads the same bytes to a comment, which is never handed out. In UTF-8 a byte
// of a longer sequence is left to the decoder, which may refuse it.
bool XMLParser::SkipComment()
{
    const uint8_t* base = mBuffer.get();
    const size_t end = mBufferEnd;
    const size_t p = mBufferPos;
    if (end - p < 8 || base[p] != '<' || base[p + 1] != '!' || base[p + 2] != '-' || base[p + 3] != '-' ||
        !kBlankBytes.blank[base[p + 4]])
        return false;
    const bool utf8 = mReaderKind == ReaderKind::UTF8;
    int lines = base[p + 4] == '\n';
    for (size_t q = p + 5; q < end; ++q)
    {
        const uint8_t b = base[q];
        if (b == '>' && q >= p + 7 && base[q - 1] == '-' && base[q - 2] == '-')
        {
            mLineNumber += lines;
            mBufferPos = q + 1;
            return true;
        }
        if (utf8 && b >= 0x80) return false;
        lines += b == '\n';
    }
    return false;
}

// Text up to the next tag at once when all of it is in the block and it holds no quote, '>' or control character: its
// blanks become one space between words, as the state machine makes them, and its entities are decoded.
bool XMLParser::TakeText(XMLElement& element)
{
    if (!mPlainRunTable || !mPushBack.empty()) return false;
    const bool* table = mReaderKind == ReaderKind::UTF8 ? kUtf8Runs.text : kOneByteRuns.text;
    const uint8_t* base = mBuffer.get();
    size_t q = mBufferPos;
    if (q >= mBufferEnd || !table[base[q]]) return false;
    std::string& value = element.mValue;
    int lines = 0;
    bool blank = false;
    size_t r = q;
    for (;;)
    {
        // The zero after the block ends both runs: it is neither text nor blank.
        while (table[base[r]]) ++r;
        if (blank) value += ' ';
        value.append(reinterpret_cast<const char*>(base + q), r - q);
        for (blank = false; kBlankBytes.blank[base[r]]; ++r)
        {
            lines += base[r] == '\n';
            blank = true;
        }
        if (base[r] == '<') break;
        if (!table[base[r]])
        {
            value.clear();
            return false;
        }
        q = r;
    }
    element.mType = XMLElement::TypeText;
    if (HasEntity(value)) value = XmlDecode(value);
    mLineNumber += lines;
    mBufferPos = r;
    return true;
}

// ---- elements ----

// A tag name that reads back as itself inside an end tag: nothing in it that an end tag treats specially.
bool XMLParser::IsSimpleName(const std::string& name)
{
    for (char ch : name)
    {
        const unsigned char b = static_cast<unsigned char>(ch);
        if (b <= 0x20 || IsBlank(b) || b == '"' || b == '<' || b == '>') return false;
    }
    return true;
}

// An end tag's name against the innermost open element.
bool XMLParser::CloseElement(const std::string& name)
{
    if (mCurrentSection.empty())
    {
        SetError("Unexpected End");
        return false;
    }
    const size_t slash = mCurrentSection.rfind('/');
    const size_t begin = slash == std::string::npos ? 0 : slash + 1;
    if (mCurrentSection.compare(begin, std::string::npos, name) != 0)
    {
        SetError("End '" + name + "' Doesn't Match Start '" + mCurrentSection.substr(begin) + "'");
        return false;
    }
    mCurrentSection.resize(slash == std::string::npos ? 0 : slash);
    if (mDepth > 0) --mDepth;
    return true;
}

// Closes the innermost open element, whose name is known to be the last `length` characters of the open path.
inline void XMLParser::CloseInnermost(size_t length)
{
    const size_t begin = mCurrentSection.size() - length;
    mCurrentSection.resize(begin > 0 ? begin - 1 : 0);
    if (mDepth > 0) --mDepth;
}

void XMLParser::ResetElement(XMLElement& element)
{
    element.mType = XMLElement::TypeNone;
    element.mSection = mCurrentSection;
    element.mValue.clear();
    element.mInstruction.clear();
    // The entries handed out with the previous element go back to their kind's map, whatever the caller did to
    // them: they are only ever looked up by name.
    if (mLentMap >= 0)
    {
        element.mAttributes.swap(mKindMaps[mLentMap].entries);
        mLentMap = -1;
    }
    element.mAttributes.clear();
    mSetCount = 0;
    mOrderHeld = false;
    mOrderSize = 0;
}

void XMLParser::LendKindMap(XMLElement& element)
{
    auto& attributes = element.mAttributes;
    // Elements of one kind usually carry the same names in the same order: start from the entries of the last
    // one, filled again in place instead of being freed and allocated for every element.
    mOrder = nullptr;
    mOrderSize = 0;
    for (int i = 0; i < kKindMapCount; ++i)
        if (SameText(mKindMaps[i].tag, element.mValue))
        {
            attributes.swap(mKindMaps[i].entries);
            mLentMap = i;
            mOrder = mKindMaps[i].order.data();
            mOrderSize = mKindMaps[i].order.size();
            break;
        }
    // The entries in name order, from a walk of the map as it is now.
    if (mSorted.size() < attributes.size()) mSorted.resize(attributes.size());
    mSortedCount = 0;
    for (auto it = attributes.begin(); it != attributes.end(); ++it) mSorted[mSortedCount++] = it;
    mOrderHeld = true;
}

[[gnu::always_inline]] inline XMLParser::AttributeMap::iterator
XMLParser::AddAttribute(XMLElement& element, std::string_view name, std::string_view value)
{
    if (mSetCount == 0 && mLentMap < 0 && element.mAttributes.empty()) LendKindMap(element);
    // The entry the same reading position had last time, when it has this name; else a search by name.
    if (mOrderHeld && mSetCount < mOrderSize)
    {
        const uint8_t at = mOrder[mSetCount];
        if (at < mSortedCount && SameText(mSorted[at]->first, name))
        {
            const AttributeMap::iterator entry = mSorted[at];
            SetText(entry->second, value);
            NoteSet(entry);
            return entry;
        }
    }
    return AddAttributeByName(element, name, value);
}

XMLParser::AttributeMap::iterator XMLParser::AddAttributeByName(XMLElement& element, std::string_view name,
                                                                std::string_view value)
{
    auto& attributes = element.mAttributes;
    mOrderHeld = false;
    mKeyScratch.assign(name.data(), name.size());
    auto it = attributes.find(mKeyScratch);
    if (it == attributes.end())
    {
        it = attributes.emplace(mKeyScratch, value).first;
        NoteSet(it);
        return it;
    }
    it->second.assign(value.data(), value.size());
    // A repeated name keeps its last value and counts once.
    if (std::find(mSetEntries.begin(), mSetEntries.begin() + mSetCount, it) == mSetEntries.begin() + mSetCount)
        NoteSet(it);
    return it;
}

void XMLParser::FinishAttributes(XMLElement& element)
{
    auto& attributes = element.mAttributes;
    // Entries of the earlier element that this one did not set are dropped.
    if (mSetCount != attributes.size())
    {
        mOrderHeld = false;
        for (auto it = attributes.begin(); it != attributes.end();)
            if (std::find(mSetEntries.begin(), mSetEntries.begin() + mSetCount, it) == mSetEntries.begin() + mSetCount)
                it = attributes.erase(it);
            else
                ++it;
    }
    if (attributes.empty()) return;
    int slot = mLentMap;
    if (slot < 0)
    {
        // The first element of its kind: its entries will serve the next one.
        for (int i = 0; i < kKindMapCount && slot < 0; ++i)
            if (mKindMaps[i].tag == element.mValue) slot = i;
        if (slot < 0)
        {
            slot = mNextKindMap;
            mNextKindMap = (mNextKindMap + 1) % kKindMapCount;
        }
        mKindMaps[slot].tag = element.mValue;
        mKindMaps[slot].entries.clear();
        mLentMap = slot;
        mOrderHeld = false;
    }
    if (mOrderHeld) return;
    // Where each reading position's entry stands in name order, for the next element of this kind.
    std::vector<uint8_t>& order = mKindMaps[slot].order;
    order.clear();
    if (mSetCount > 255) return;
    for (size_t i = 0; i < mSetCount; ++i)
    {
        const AttributeMap::iterator entry = mSetEntries[i];
        uint8_t index = 0;
        for (auto it = attributes.begin(); it != entry; ++it) ++index;
        order.push_back(index);
    }
}

void XMLParser::CommitAttribute(XMLElement& element)
{
    AddAttribute(element, mAttrName.Decoded(mDecodedName), mAttrValue.Decoded(mDecodedValue));
    mAttrName.Clear();
    mAttrValue.Clear();
}

bool XMLParser::ReadNextElement(XMLElement& element)
{
    for (;;)
    {
        ResetElement(element);
        if (mPendingEndTag)
        {
            mPendingEndTag = false;
            element.mType = XMLElement::TypeEndTag;
            SetText(element.mValue,
                    std::string_view(mCurrentSection).substr(mCurrentSection.size() - mPendingEndTagLength));
            if (mPendingPlain)
            {
                // A name taken whole (no '/' or '&' in it) closes as the end of the open path.
                CloseInnermost(mPendingEndTagLength);
                return true;
            }
            if (!CloseElement(element.mValue)) return false;
            FinishAttributes(element);
            if (HasEntity(element.mValue)) element.mValue = XmlDecode(element.mValue);
            return true;
        }
        if (TakeSimpleTag(element) || TakeText(element)) return true;
        bool inQuote = false, hadQuote = false, pendingBlank = false, nameDone = false, afterEquals = false;
        mAttrName.Clear();
        mAttrValue.Clear();
        std::string& value = element.mValue;
        std::string& instruction = element.mInstruction;

        bool complete = false;
        while (!complete)
        {
            char16_t c;
            bool readError = false;
            // A character from the block in a one-byte form can be handed back by stepping back one byte.
            const bool oneByte = mPushBack.empty() && mReaderKind != ReaderKind::TwoByte;
            if (!NextChar(c, readError))
            {
                if (readError) SetError("Illegal Character");
                if (element.mType != XMLElement::TypeNone) SetError("Unexpected End of File");
                return false;
            }
            const char low = static_cast<char>(c);
            const XMLElement::Type type = element.mType;

            if (type == XMLElement::TypeComment)
            {
                instruction += low;
                if (c != '>') SkipRun(PlainRun(mCommentRunTable), instruction);
                const size_t n = instruction.size();
                if (c == '>' && n >= 3 && instruction[n - 3] == '-' && instruction[n - 2] == '-')
                {
                    instruction.resize(n - 3);
                    complete = true;
                }
                continue;
            }
            if (type == XMLElement::TypeInstruction)
            {
                std::string& target = (!instruction.empty() || IsBlank(c)) ? instruction : value;
                target += low;
                const size_t n = target.size();
                if (c == '>' && n >= 2 && target[n - 2] == '?')
                {
                    target.resize(n - 2);
                    complete = true;
                }
                continue;
            }

            const bool inTag = type == XMLElement::TypeStartTag || type == XMLElement::TypeEndTag;
            bool ordinary = false;
            if (c == '"')
            {
                inQuote = !inQuote;
                if (!inTag)
                    ordinary = true;
                else if (!inQuote)
                    hadQuote = true;
            }
            else if (inQuote)
                ordinary = true;
            else if (c == '<')
            {
                if (type == XMLElement::TypeText)
                {
                    // The tag after text is read again from the block, where the next call can take it whole.
                    if (oneByte)
                        --mBufferPos;
                    else
                        mPushBack.push_back(c);
                    complete = true;
                }
                else if (type == XMLElement::TypeNone)
                    element.mType = XMLElement::TypeStartTag;
                else
                {
                    SetError("Unexpected '<'");
                    return false;
                }
            }
            else if (c == '>')
            {
                if (type == XMLElement::TypeStartTag)
                {
                    bool selfClosing = false;
                    if (mAttrName.IsSlash())
                    {
                        selfClosing = true;
                        mAttrName.Clear();
                        mAttrValue.Clear();
                    }
                    else
                    {
                        // A value ending in '/' right before '>' closes the tag: stored files rely on it. The entry
                        // just set is the one the last name names.
                        AttributeMap::iterator last;
                        bool named = false;
                        if (!mAttrName.Empty())
                        {
                            const std::string& name = mAttrName.Decoded(mDecodedName);
                            named = !name.empty();
                            last = AddAttribute(element, name, mAttrValue.Decoded(mDecodedValue));
                            mAttrName.Clear();
                            mAttrValue.Clear();
                        }
                        if (named)
                        {
                            // The value was decoded when it was added; decoding it again would turn a written
                            // "&amp;lt;" into '<'.
                            if (!last->second.empty() && last->second.back() == '/')
                            {
                                last->second.pop_back();
                                selfClosing = true;
                            }
                        }
                        else if (!value.empty() && value.back() == '/')
                        {
                            value.pop_back();
                            selfClosing = true;
                        }
                    }
                    // The open path is copied into every element, so depth is bounded to keep reading linear.
                    if (mDepth >= kMaxDepth)
                    {
                        SetError("Nesting Too Deep");
                        return false;
                    }
                    ++mDepth;
                    if (selfClosing && mPlainRunTable && IsSimpleName(value))
                    {
                        // The matching end tag is produced directly instead of being read back character by
                        // character: the same element, since such a name reads back unchanged.
                        mPendingEndTag = true;
                        mPendingEndTagLength = value.size();
                        mPendingPlain = false;
                    }
                    else if (selfClosing)
                    {
                        mPushBack.push_back('>');
                        for (auto it = value.rbegin(); it != value.rend(); ++it)
                            mPushBack.push_back(static_cast<unsigned char>(*it));
                        mPushBack.push_back('/');
                        mPushBack.push_back('<');
                    }
                    if (!mCurrentSection.empty()) mCurrentSection += '/';
                    mCurrentSection += value;
                    complete = true;
                }
                else if (type == XMLElement::TypeEndTag)
                {
                    if (!CloseElement(value)) return false;
                    complete = true;
                }
                else
                {
                    SetError("Unexpected '>'");
                    return false;
                }
            }
            else if (c == '/' && type == XMLElement::TypeStartTag && value.empty())
                element.mType = XMLElement::TypeEndTag;
            else if (c == '?' && type == XMLElement::TypeStartTag && value.empty())
                element.mType = XMLElement::TypeInstruction;
            else if (IsBlank(c))
            {
                if (!value.empty())
                {
                    pendingBlank = true;
                    if (type == XMLElement::TypeStartTag && value.size() == 3 && value[0] == '!' && value[1] == '-' &&
                        value[2] == '-')
                        element.mType = XMLElement::TypeComment;
                }
                if (element.mType != XMLElement::TypeComment) SkipBlankRun();
            }
            else if (c <= 0x20)
            {
                SetError("Illegal Character");
                return false;
            }
            else
                ordinary = true;

            if (!ordinary) continue;

            if (type == XMLElement::TypeNone) element.mType = XMLElement::TypeText;
            if (element.mType != XMLElement::TypeStartTag)
            {
                if (pendingBlank)
                {
                    value += ' ';
                    pendingBlank = false;
                }
                value += low;
                SkipRun(PlainRun(inQuote ? mQuotedRunTable : mPlainRunTable), value);
                continue;
            }
            if (pendingBlank)
            {
                if (!nameDone)
                {
                    nameDone = true;
                    afterEquals = false;
                }
                else if (!afterEquals)
                {
                    if (c != '=') CommitAttribute(element);
                }
                else if (!mAttrValue.Empty() || hadQuote)
                {
                    CommitAttribute(element);
                    afterEquals = false;
                }
                pendingBlank = false;
            }
            if (!nameDone)
                value += low;
            else if (c == '=' && !inQuote)
            {
                // Only an unquoted '=' separates a name from its value; inside quotes it is part of the value
                // (a link such as href="page?a=1" must survive the reader).
                afterEquals = true;
                hadQuote = false;
                continue;
            }
            else if (afterEquals)
                mAttrValue.Append(c);
            else
            {
                mAttrName.Append(c);
                if (!inQuote && !mAttrName.isWide && mAttrValue.Empty() && TakeQuotedAttribute())
                {
                    afterEquals = true;
                    hadQuote = true;
                    continue;
                }
            }
            // The characters that follow up to the next decision point go to the same place.
            if (const size_t run = PlainRun(inQuote ? mQuotedRunTable : mPlainRunTable))
            {
                if (!nameDone)
                    SkipRun(run, value);
                else
                {
                    AttributeText& to = afterEquals ? mAttrValue : mAttrName;
                    if (!to.isWide)
                        SkipRun(run, to.narrow);
                    else
                        for (size_t i = 0; i < run; ++i) to.Append(mBuffer[mBufferPos++]);
                }
            }
        }

        if (!mAttrName.Empty() || !mAttrValue.Empty()) CommitAttribute(element);
        FinishAttributes(element);
        if (HasEntity(value)) value = XmlDecode(value);
        if (element.mType != XMLElement::TypeComment) return true;
    }
}

} // namespace Zest
