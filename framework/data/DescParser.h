// The descriptor statement language: data elements and the parser base that font descriptors are read with.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Zest
{

class DataElement
{
public:
    bool mIsList = false;

    virtual ~DataElement() = default;
    virtual std::unique_ptr<DataElement> Duplicate() const = 0;
};

class SingleDataElement : public DataElement
{
public:
    std::string mString; // the token as written, quotes included

    SingleDataElement() = default;
    explicit SingleDataElement(const std::string& text) : mString(text) {}
    SingleDataElement(const SingleDataElement& other) : DataElement(other), mString(other.mString) {}

    std::unique_ptr<DataElement> Duplicate() const override;
};

class ListDataElement : public DataElement
{
public:
    std::vector<std::unique_ptr<DataElement>> mElementVector;

    ListDataElement() { mIsList = true; }
    ListDataElement(const ListDataElement& other);
    ListDataElement& operator=(const ListDataElement& other);

    std::unique_ptr<DataElement> Duplicate() const override;
};

class DescParser
{
public:
    // Deepest list nesting a statement may have; anything deeper is taken as a list that never ends.
    static constexpr int MAX_LIST_DEPTH = 256;

    enum
    {
        CMDSEP_SEMICOLON = 1,
    };

    int mCmdSep = CMDSEP_SEMICOLON;
    std::string mError;
    int mCurrentLineNum = 0;
    std::string mCurrentLine;
    std::map<std::string, std::unique_ptr<DataElement>> mDefineMap; // keys upper-cased

    DescParser() = default;
    DescParser(const DescParser&) = delete;
    DescParser& operator=(const DescParser&) = delete;
    virtual ~DescParser() = default;

    virtual bool Error(const std::string& message);
    virtual DataElement* FindDefine(const std::string& name);
    virtual bool HandleCommand(const ListDataElement& params) = 0;

    // Reads the named file through the pack wrappers.
    [[nodiscard]] bool LoadDescriptor(const std::string& fileName);
    // Reads statements from text already in memory, exactly as LoadDescriptor reads a file.
    [[nodiscard]] bool LoadDescriptorText(const std::string& text);

    bool ParseDescriptorLine(const std::string& text);
    bool ParseToList(const std::string& text, ListDataElement* list, bool expectListEnd, std::size_t* index);

    static bool IsImmediate(const std::string& token);
    static std::string Unquote(const std::string& token);
    bool DereferenceList(const ListDataElement& source, ListDataElement* dest);
    static std::string DataElementToString(const DataElement* element);
    bool DataToString(const DataElement* element, std::string* out);
    bool DataToList(const DataElement* element, ListDataElement* out);
    bool DataToStringVector(const DataElement* element, std::vector<std::string>* out);
    bool DataToIntVector(const DataElement* element, std::vector<int>* out);
    bool DataToDoubleVector(const DataElement* element, std::vector<double>* out);

private:
    // getChar returns the next byte (0..255) or a negative value at the end.
    bool ReadStatements(const std::function<int()>& getChar);
    bool ParseToListAt(const std::string& text, ListDataElement* list, bool expectListEnd, std::size_t& index,
                       int depth);
};

} // namespace Zest
