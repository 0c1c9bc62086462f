// Pull reader for the game's XML data files: one element (start tag, end tag, text, instruction) per call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/PakInterface.h"

namespace Zest
{

class XMLElement
{
public:
    enum Type
    {
        TypeNone = 0,
        TypeStartTag = 1,
        TypeEndTag = 2,
        TypeText = 3,
        TypeInstruction = 4,
        TypeComment = 5,
    };

    Type mType = TypeNone;
    // Names of the enclosing open elements joined by '/', outermost first.
    std::string mSection;
    // Tag name, text, or instruction name.
    std::string mValue;
    // The rest of an instruction after its name.
    std::string mInstruction;
    std::map<std::string, std::string> mAttributes;
};

class XMLParser
{
public:
    XMLParser();
    virtual ~XMLParser();
    XMLParser(const XMLParser&) = delete;
    XMLParser& operator=(const XMLParser&) = delete;

    [[nodiscard]] bool OpenFile(const std::string& fileName);
    // False at the end of the data or on an error; HasFailed tells which.
    bool ReadNextElement(XMLElement& element);

    bool HasFailed() const { return mHasFailed; }
    std::string GetErrorText() const { return mErrorText; }
    int GetLineNumber() const { return mLineNumber; }
    std::string GetFileName() const { return mFileName; }

    // Open elements beyond this depth stop the reading with "Nesting Too Deep".
    static constexpr int kMaxDepth = 1024;

protected:
    void SetError(const std::string& text);

    bool ReadOneByteChar(char16_t& c, bool& error);
    bool ReadUTF8Char(char16_t& c, bool& error);
    bool ReadTwoByteChar(char16_t& c, bool& error);

private:
    // Attribute text as read: kept narrow while every character fits a byte, which is nearly always.
    struct AttributeText
    {
        std::string narrow;
        std::wstring wide;
        bool isWide = false;
        bool hasAmpersand = false; // runs never hold '&', so only Append needs to watch for it

        void Append(char16_t c)
        {
            hasAmpersand |= c == '&';
            if (!isWide && c <= 0xFF)
                narrow.push_back(static_cast<char>(c));
            else
                AppendWide(c);
        }
        void AppendWide(char16_t c);
        bool Empty() const { return isWide ? wide.empty() : narrow.empty(); }
        bool IsSlash() const
        {
            return isWide ? (wide.size() == 1 && wide[0] == L'/') : (narrow.size() == 1 && narrow[0] == '/');
        }
        void Clear();
        // Entity-decoded and narrowed.
        const std::string& Decoded(std::string& scratch) const;
    };

    enum class ReaderKind
    {
        OneByte,
        UTF8,
        TwoByte,
    };

    // Length of the run of bytes at the read position that the table marks as plain characters; 0 while
    // characters come from the push-back stack or are not single bytes.
    size_t PlainRun(const bool* table) const;
    void SkipRun(size_t n, std::string& to);
    void SkipBlankRun();
    bool TakeQuotedAttribute();
    bool TakeSimpleTag(XMLElement& element);
    bool SkipComment();
    bool TakeText(XMLElement& element);
    bool ReadByte(uint8_t& b);
    bool Refill();
    bool NextChar(char16_t& c, bool& error);
    void CloseFile();
    void ResetElement(XMLElement& element);
    static bool IsSimpleName(const std::string& name);
    bool CloseElement(const std::string& name);
    void CloseInnermost(size_t length);
    void CommitAttribute(XMLElement& element);
    // Sets one attribute of the element being read and answers its entry.
    std::map<std::string, std::string>::iterator AddAttribute(XMLElement& element, std::string_view name,
                                                              std::string_view value);
    std::map<std::string, std::string>::iterator AddAttributeByName(XMLElement& element, std::string_view name,
                                                                    std::string_view value);
    // Before the first attribute of an element: takes the entries of the last element of its kind.
    void LendKindMap(XMLElement& element);
    void FinishAttributes(XMLElement& element);
    void SelectReader(ReaderKind kind);

    std::string mFileName;
    std::string mErrorText;
    int mLineNumber = 0;
    PakFile mFile;
    bool mHasFailed = false;
    std::vector<char16_t> mPushBack;
    std::string mCurrentSection;
    bool (XMLParser::*mGetCharFunc)(char16_t&, bool&) = &XMLParser::ReadUTF8Char;
    ReaderKind mReaderKind = ReaderKind::UTF8;
    bool mFirstChar = false;
    bool mByteSwap = false;

    // Byte tables for runs of characters that need no decision (null when no such run can be taken).
    const bool* mQuotedRunTable = nullptr;
    const bool* mPlainRunTable = nullptr;
    const bool* mCommentRunTable = nullptr;

    int mDepth = 0;
    // A self-closing tag's end tag still to be handed out (its name ends the current section).
    bool mPendingEndTag = false;
    size_t mPendingEndTagLength = 0;
    // The pending end tag's name was taken whole (see TakeSimpleTag): it holds no '/' and no entity.
    bool mPendingPlain = false;
    std::unique_ptr<uint8_t[]> mBuffer;
    size_t mBufferPos = 0;
    size_t mBufferEnd = 0;
    bool mEndOfData = false;

    // Per-element scratch, kept between calls so that steady-state reading does not allocate.
    AttributeText mAttrName;
    AttributeText mAttrValue;
    std::string mDecodedName;
    std::string mDecodedValue;
    std::string mKeyScratch;
    // The attribute entries of the last element of a few recent kinds (tag names), filled again by the next element
    // of that kind. While an element is out with the caller its kind's map is empty and `mLentMap` names it.
    using AttributeMap = std::map<std::string, std::string>;
    struct KindMap
    {
        std::string tag;
        AttributeMap entries;
        std::vector<uint8_t> order; // for each reading position of the last element, its entry's place by name
    };
    static constexpr int kKindMapCount = 8;
    KindMap mKindMaps[kKindMapCount];
    int mLentMap = -1;
    int mNextKindMap = 0;
    // The entries the element being read has set, in reading order: the first `mSetCount` of `mSetEntries`, whose
    // places are kept from element to element.
    std::vector<AttributeMap::iterator> mSetEntries;
    size_t mSetCount = 0;
    [[gnu::always_inline]] void NoteSet(AttributeMap::iterator entry)
    {
        if (mSetCount == mSetEntries.size())
            mSetEntries.push_back(entry);
        else
            mSetEntries[mSetCount] = entry;
        ++mSetCount;
    }
    // The lent entries in name order, walked afresh when they were taken back; valid while `mOrderHeld` is set
    // and every position so far has matched the last element's.
    std::vector<AttributeMap::iterator> mSorted;
    size_t mSortedCount = 0;
    bool mOrderHeld = false;
    // The lent kind's reading order (its `order`), while it is lent.
    const uint8_t* mOrder = nullptr;
    size_t mOrderSize = 0;
};

} // namespace Zest
