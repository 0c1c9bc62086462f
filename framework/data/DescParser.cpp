// Reading descriptor files: statement splitting, tokenising into element trees and the argument helpers.
#include "data/DescParser.h"

#include "base/Common.h"
#include "data/PakInterface.h"

namespace Zest
{

std::unique_ptr<DataElement> SingleDataElement::Duplicate() const
{
    return std::make_unique<SingleDataElement>(*this);
}

ListDataElement::ListDataElement(const ListDataElement& other) : DataElement(other)
{
    mIsList = true;
    mElementVector.reserve(other.mElementVector.size());
    for (const auto& child : other.mElementVector) mElementVector.push_back(child->Duplicate());
}

ListDataElement& ListDataElement::operator=(const ListDataElement& other)
{
    if (this != &other)
    {
        std::vector<std::unique_ptr<DataElement>> copy;
        copy.reserve(other.mElementVector.size());
        for (const auto& child : other.mElementVector) copy.push_back(child->Duplicate());
        mElementVector = std::move(copy);
    }
    return *this;
}

std::unique_ptr<DataElement> ListDataElement::Duplicate() const
{
    return std::make_unique<ListDataElement>(*this);
}

bool DescParser::Error(const std::string& message)
{
    mError = message;
    return false;
}

DataElement* DescParser::FindDefine(const std::string& name)
{
    auto it = mDefineMap.find(StringToUpper(name));
    return it == mDefineMap.end() ? nullptr : it->second.get();
}

bool DescParser::LoadDescriptor(const std::string& fileName)
{
    mError.clear();
    mCurrentLineNum = 0;
    PakFile file = PakOpenFile(fileName, "r");
    if (!file) return false;
    return ReadStatements([handle = file.get()]() { return PakGetC(handle); });
}

bool DescParser::LoadDescriptorText(const std::string& text)
{
    mError.clear();
    mCurrentLineNum = 0;
    std::size_t pos = 0;
    return ReadStatements([&]() { return pos < text.size() ? static_cast<unsigned char>(text[pos++]) : -1; });
}

bool DescParser::ReadStatements(const std::function<int()>& getChar)
{
    int lineCounter = 0;
    bool atLineStart = true;
    bool inComment = false;
    bool inSingle = false;
    bool inDouble = false;
    bool escaped = false;
    bool ok = true;
    mCurrentLine.clear();

    auto endStatement = [&]()
    {
        if (!mCurrentLine.empty())
        {
            std::string statement;
            statement.swap(mCurrentLine);
            if (!ParseDescriptorLine(statement)) ok = false;
        }
        inSingle = inDouble = escaped = false;
        atLineStart = true;
    };

    for (int ch = getChar(); ch >= 0 && ok; ch = getChar())
    {
        char c = static_cast<char>(ch);
        if (c == '\r') continue;
        if (inComment)
        {
            if (c == '\n')
            {
                ++lineCounter;
                inComment = false;
                atLineStart = true;
            }
            continue;
        }
        bool quoted = inSingle || inDouble;
        // Line-start handling stays out of quoted text so that a string running over lines is kept whole.
        if (atLineStart && !quoted)
        {
            if (c == ' ' || c == '\t') continue;
            if (c == '\n')
            {
                ++lineCounter;
                continue;
            }
            atLineStart = false;
            if (c == '#')
            {
                inComment = true;
                continue;
            }
        }

        if (escaped)
        {
            escaped = false;
        }
        else if (quoted && c == '\\')
        {
            escaped = true;
        }
        else if (c == '\'' && !inDouble)
        {
            inSingle = !inSingle;
        }
        else if (c == '"' && !inSingle)
        {
            inDouble = !inDouble;
        }
        else if (c == ';' && !quoted && (mCmdSep & CMDSEP_SEMICOLON))
        {
            endStatement();
            continue;
        }

        if (mCurrentLine.empty()) mCurrentLineNum = lineCounter + 1;
        mCurrentLine += c;
        if (c == '\n')
        {
            ++lineCounter;
            if (!inSingle && !inDouble) atLineStart = true;
        }
    }
    if (ok) endStatement();

    mCurrentLine.clear();
    mCurrentLineNum = 0;
    return ok;
}

bool DescParser::ParseDescriptorLine(const std::string& text)
{
    ListDataElement list;
    std::size_t index = 0;
    if (!ParseToList(text, &list, false, &index)) return false;
    if (list.mElementVector.empty()) return true;
    if (list.mElementVector[0]->mIsList) return Error("Missing Command");
    return HandleCommand(list);
}

bool DescParser::ParseToList(const std::string& text, ListDataElement* list, bool expectListEnd, std::size_t* index)
{
    std::size_t local = 0;
    std::size_t& pos = index != nullptr ? *index : local;
    return ParseToListAt(text, list, expectListEnd, pos, expectListEnd ? 1 : 0);
}

bool DescParser::ParseToListAt(const std::string& text, ListDataElement* list, bool expectListEnd, std::size_t& index,
                               int depth)
{
    SingleDataElement* token = nullptr;
    bool inSingle = false;
    bool inDouble = false;

    auto append = [&](char c)
    {
        if (token == nullptr)
        {
            auto element = std::make_unique<SingleDataElement>();
            token = element.get();
            list->mElementVector.push_back(std::move(element));
        }
        token->mString += c;
    };

    while (index < text.size())
    {
        char c = text[index++];
        bool quoted = inSingle || inDouble;
        if (c == '\\')
        {
            // A backslash that ends the text has nothing to make literal and is dropped.
            if (index < text.size()) append(text[index++]);
            continue;
        }
        if (c == '\'' && !inDouble)
        {
            inSingle = !inSingle;
            append(c);
        }
        else if (c == '"' && !inSingle)
        {
            inDouble = !inDouble;
            append(c);
        }
        else if (quoted)
        {
            append(c);
        }
        else if (c == ' ' || c == '\t' || c == '\n' || c == ',')
        {
            token = nullptr;
        }
        else if (c == '(')
        {
            if (token != nullptr) return Error("Unexpected List Start");
            // Past the depth cap the nested list is reported as one that never closes, before any recursion.
            if (depth >= MAX_LIST_DEPTH) return Error("Unterminated List");
            auto child = std::make_unique<ListDataElement>();
            ListDataElement* childPtr = child.get();
            list->mElementVector.push_back(std::move(child));
            if (!ParseToListAt(text, childPtr, true, index, depth + 1)) return false;
        }
        else if (c == ')')
        {
            if (expectListEnd) return true;
            return Error("Unexpected List End");
        }
        else
        {
            append(c);
        }
    }

    if (inSingle) return Error("Unterminated Single Quotes");
    if (inDouble) return Error("Unterminated Double Quotes");
    if (expectListEnd) return Error("Unterminated List");
    return true;
}

bool DescParser::IsImmediate(const std::string& token)
{
    if (token.empty()) return false;
    char c = token[0];
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '\'' || c == '"';
}

std::string DescParser::Unquote(const std::string& token)
{
    if (token.empty() || (token[0] != '\'' && token[0] != '"')) return token;
    char q = token[0];
    std::string out;
    out.reserve(token.size());
    // Past the opening quote, a doubled quote stands for one and a single one (the closing quote) goes.
    for (std::size_t i = 1; i < token.size(); ++i)
    {
        if (token[i] != q)
            out += token[i];
        else if (i + 1 < token.size() && token[i + 1] == q)
            out += token[i++];
    }
    return out;
}

namespace
{

// Definitions may be built from definitions, each copying the ones it names: a few lines that each name the one
// before several times would expand a list exponentially. One dereferenced list holds at most this many elements
// and, like a parsed statement, at most MAX_LIST_DEPTH levels of lists.
constexpr std::size_t kMaxDereferencedElements = std::size_t(1) << 16;

// Takes the elements of `element` (nested `depth` lists deep in the result) from `budget`; false when they do not
// fit.
bool TakeFromBudget(const DataElement& element, int depth, std::size_t& budget)
{
    if (budget == 0) return false;
    --budget;
    if (!element.mIsList) return true;
    if (depth > DescParser::MAX_LIST_DEPTH) return false;
    for (const auto& child : static_cast<const ListDataElement&>(element).mElementVector)
    {
        if (!TakeFromBudget(*child, depth + 1, budget)) return false;
    }
    return true;
}

bool DereferenceInto(DescParser& parser, const ListDataElement& source, ListDataElement* dest, int depth,
                     std::size_t& budget)
{
    dest->mElementVector.clear();
    for (const auto& item : source.mElementVector)
    {
        if (item->mIsList)
        {
            if (budget == 0 || depth >= DescParser::MAX_LIST_DEPTH) return parser.Error("List too large");
            --budget;
            auto sub = std::make_unique<ListDataElement>();
            if (!DereferenceInto(parser, static_cast<const ListDataElement&>(*item), sub.get(), depth + 1, budget))
                return false;
            dest->mElementVector.push_back(std::move(sub));
            continue;
        }
        const std::string& text = static_cast<const SingleDataElement&>(*item).mString;
        if (text.empty()) continue;
        if (text[0] == '\'' || text[0] == '"')
        {
            if (budget == 0) return parser.Error("List too large");
            --budget;
            dest->mElementVector.push_back(std::make_unique<SingleDataElement>(DescParser::Unquote(text)));
        }
        else if (DescParser::IsImmediate(text))
        {
            if (budget == 0) return parser.Error("List too large");
            --budget;
            dest->mElementVector.push_back(std::make_unique<SingleDataElement>(text));
        }
        else
        {
            DataElement* define = parser.FindDefine(text);
            if (define == nullptr) return parser.Error("Unable to Dereference \"" + text + "\"");
            if (!TakeFromBudget(*define, depth + 1, budget)) return parser.Error("List too large");
            dest->mElementVector.push_back(define->Duplicate());
        }
    }
    return true;
}

} // namespace

bool DescParser::DereferenceList(const ListDataElement& source, ListDataElement* dest)
{
    std::size_t budget = kMaxDereferencedElements;
    return DereferenceInto(*this, source, dest, 0, budget);
}

std::string DescParser::DataElementToString(const DataElement* element)
{
    if (element == nullptr) return std::string();
    if (!element->mIsList) return static_cast<const SingleDataElement*>(element)->mString;
    const auto* list = static_cast<const ListDataElement*>(element);
    std::string out = "(";
    for (std::size_t i = 0; i < list->mElementVector.size(); ++i)
    {
        if (i > 0) out += ", ";
        out += DataElementToString(list->mElementVector[i].get());
    }
    out += ")";
    return out;
}

bool DescParser::DataToString(const DataElement* element, std::string* out)
{
    out->clear();
    if (element == nullptr || element->mIsList) return false;
    std::string text = static_cast<const SingleDataElement*>(element)->mString;
    if (DataElement* define = FindDefine(text))
    {
        if (define->mIsList) return false;
        text = static_cast<const SingleDataElement*>(define)->mString;
    }
    *out = Unquote(text);
    return true;
}

bool DescParser::DataToList(const DataElement* element, ListDataElement* out)
{
    out->mElementVector.clear();
    if (element == nullptr) return false;
    if (element->mIsList) return DereferenceList(static_cast<const ListDataElement&>(*element), out);
    DataElement* define = FindDefine(static_cast<const SingleDataElement*>(element)->mString);
    if (define == nullptr || !define->mIsList) return false;
    *out = static_cast<const ListDataElement&>(*define);
    return true;
}

bool DescParser::DataToStringVector(const DataElement* element, std::vector<std::string>* out)
{
    out->clear();
    if (element == nullptr) return false;
    ListDataElement items;
    const ListDataElement* source = nullptr;
    if (element->mIsList)
    {
        if (!DereferenceList(static_cast<const ListDataElement&>(*element), &items)) return false;
        source = &items;
    }
    else
    {
        const std::string& name = static_cast<const SingleDataElement*>(element)->mString;
        DataElement* define = FindDefine(name);
        if (define == nullptr) return Error("Unable to Dereference \"" + name + "\"");
        if (!define->mIsList) return false;
        source = static_cast<const ListDataElement*>(define);
    }
    for (const auto& item : source->mElementVector)
    {
        if (item->mIsList)
        {
            out->clear();
            return false;
        }
        out->push_back(static_cast<const SingleDataElement&>(*item).mString);
    }
    return true;
}

bool DescParser::DataToIntVector(const DataElement* element, std::vector<int>* out)
{
    out->clear();
    std::vector<std::string> strings;
    bool ok = DataToStringVector(element, &strings);
    for (const auto& s : strings)
    {
        int value = 0;
        if (ParseInt(s, value)) out->push_back(value);
    }
    return ok;
}

bool DescParser::DataToDoubleVector(const DataElement* element, std::vector<double>* out)
{
    out->clear();
    std::vector<std::string> strings;
    bool ok = DataToStringVector(element, &strings);
    for (const auto& s : strings)
    {
        double value = 0;
        if (ParseDouble(s, value)) out->push_back(value);
    }
    return ok;
}

} // namespace Zest
