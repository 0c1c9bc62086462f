// Reading font descriptors: the command words, their arguments, the glyph images and the legacy widths file.
#include "graphics/FontData.h"

#include <algorithm>
#include <cctype>
#include <iterator>

#include "base/Common.h"
#include "data/ImageLib.h"
#include "data/PakInterface.h"
#include "graphics/MemoryImage.h"

namespace Zest
{

FontData::FontData()
{
    for (int i = 0; i < 256; ++i) mCharMap[i] = static_cast<uint8_t>(i);
}

FontData::~FontData() = default;

void FontData::Release()
{
    if (--mRefCount <= 0) delete this;
}

bool FontData::Load(ImageHost* host, const std::string& fileName)
{
    mHost = host;
    mSourceFile = fileName;
    mBaseDir = GetFileDir(fileName);
    mFontLayerList.clear();
    mCurrentLayer = nullptr;
    bool ok = LoadDescriptor(fileName);
    if (!ok && mError.empty()) mError = "Unable to open " + fileName;
    mInitialized = false;
    if (ok)
        for (const auto& layer : mFontLayerList)
            if (layer.mImage) mInitialized = true;
    return mInitialized;
}

bool FontData::LoadText(ImageHost* host, const std::string& text, const std::string& baseDir)
{
    mHost = host;
    mSourceFile.clear();
    mBaseDir = baseDir;
    mFontLayerList.clear();
    mCurrentLayer = nullptr;
    bool ok = LoadDescriptorText(text);
    mInitialized = false;
    if (ok)
        for (const auto& layer : mFontLayerList)
            if (layer.mImage) mInitialized = true;
    return mInitialized;
}

bool FontData::LoadLegacy(ImageHost* host, Image* image, const std::string& widthsFile)
{
    mHost = host;
    mSourceFile = widthsFile;
    mFontLayerList.clear();
    mInitialized = false;
    if (image == nullptr) return false;

    PakFile owned = PakOpenFile(widthsFile, "r");
    if (!owned) return Error("Unable to open " + widthsFile);
    PackFileHandle* file = owned.get();
    std::vector<int> numbers;
    std::string token;
    bool bad = false;
    auto flush = [&]()
    {
        if (token.empty()) return;
        int value = 0;
        if (ParseInt(token, value))
            numbers.push_back(value);
        else
            bad = true;
        token.clear();
    };
    for (int c = PakGetC(file); c >= 0; c = PakGetC(file))
    {
        if (std::isspace(c) || c == ',')
            flush();
        else if (token.size() < 32)
            token += static_cast<char>(c);
        else
            bad = true;
    }
    flush();
    owned.reset();
    if (bad || numbers.empty() || numbers[0] < 0 || numbers[0] > 255 || numbers.size() - 1 > 256 - size_t(numbers[0]))
        return Error("Invalid widths file " + widthsFile);

    FontLayer& layer = mFontLayerList.emplace_back();
    layer.mLayerName = "Main";
    // The image belongs to the caller (the resource record), so the layer only refers to it.
    layer.mImage = std::shared_ptr<Image>(image, [](Image*) {});
    int x = 0;
    int first = numbers[0];
    for (size_t i = 1; i < numbers.size(); ++i)
    {
        int w = numbers[i];
        if (w < 0 || int64_t(x) + w > image->GetWidth()) return Error("Invalid widths file " + widthsFile);
        CharData& cd = layer.mCharData[size_t(first) + i - 1];
        cd.mImageRect = Rect(x, 0, w, image->GetHeight());
        cd.mWidth = w;
        x += w;
    }
    layer.mAscent = image->GetHeight();
    layer.mHeight = image->GetHeight();
    layer.mDefaultHeight = image->GetHeight();
    mInitialized = true;
    return true;
}

std::string FontData::LookupDefinition(const std::string& name)
{
    DataElement* define = FindDefine(name);
    if (define == nullptr) return std::string();
    if (define->mIsList) return DataElementToString(define);
    return Unquote(static_cast<SingleDataElement*>(define)->mString);
}

bool FontData::Error(const std::string& message)
{
    if (mCurrentLineNum > 0) return DescParser::Error(FormatString("Line %d: %s", mCurrentLineNum, message.c_str()));
    return DescParser::Error(message);
}

FontLayer* FontData::CurrentLayer(const std::string& command)
{
    if (mCurrentLayer == nullptr) Error(command + " needs a Layer first");
    return mCurrentLayer;
}

bool FontData::GetInt(const DataElement* element, int& out)
{
    std::string text;
    if (!DataToString(element, &text) || !ParseInt(text, out))
        return Error("Invalid number: " + DataElementToString(element));
    return true;
}

bool FontData::GetString(const DataElement* element, std::string& out)
{
    if (!DataToString(element, &out)) return Error("Invalid text: " + DataElementToString(element));
    return true;
}

bool FontData::GetInts(const DataElement* element, std::vector<int>& out, size_t count)
{
    std::vector<std::string> strings;
    if (!DataToStringVector(element, &strings) || strings.size() != count)
        return Error(FormatString("Expected %d numbers: ", int(count)) + DataElementToString(element));
    out.clear();
    for (const auto& s : strings)
    {
        int value = 0;
        if (!ParseInt(s, value)) return Error("Invalid number: " + s);
        out.push_back(value);
    }
    return true;
}

bool FontData::GetCharCode(const DataElement* element, int& out)
{
    // Items of a dereferenced list are final: a one-letter character must not be taken for a definition's name.
    if (element->mIsList) return Error("Invalid character: " + DataElementToString(element));
    const std::string& text = static_cast<const SingleDataElement*>(element)->mString;
    int value = 0;
    if (ParseInt(text, value) && value >= 0 && value <= 255)
        out = value;
    else if (text.size() == 1)
        out = static_cast<unsigned char>(text[0]);
    else
        return Error("Invalid character: " + text);
    return true;
}

bool FontData::PerCharLists(const ListDataElement& params, const std::string& command, size_t valueCount,
                            const std::function<void(CharData&, const std::vector<int>&)>& apply)
{
    FontLayer* layer = CurrentLayer(command);
    if (layer == nullptr) return false;
    if (params.mElementVector.size() != 3) return Error("Wrong number of arguments: " + command);
    std::string chars;
    if (!GetString(params.mElementVector[1].get(), chars)) return false;
    ListDataElement values;
    if (!DataToList(params.mElementVector[2].get(), &values))
        return mError.empty() ? Error(command + " needs a list of values") : false;
    if (values.mElementVector.size() != chars.size())
        return Error(FormatString("%s: %d characters but %d values", command.c_str(), int(chars.size()),
                                  int(values.mElementVector.size())));
    std::vector<int> numbers;
    for (size_t i = 0; i < chars.size(); ++i)
    {
        const DataElement* item = values.mElementVector[i].get();
        if (valueCount == 1)
        {
            int value = 0;
            if (item->mIsList || !GetInt(item, value))
                return item->mIsList ? Error("Invalid number: " + DataElementToString(item)) : false;
            numbers.assign(1, value);
        }
        else if (!GetInts(item, numbers, valueCount))
        {
            return false;
        }
        apply(layer->mCharData[static_cast<unsigned char>(chars[i])], numbers);
    }
    return true;
}

bool FontData::LoadImage(FontLayer* layer, const std::string& path)
{
    std::string full = mBaseDir.empty() ? path : ResolveRelativePath(path, mBaseDir);
    // Layers drawn from the same picture (a rim under the main glyphs) share one decoded copy: drawing only reads it.
    for (const FontLayer& other : mFontLayerList)
        if (&other != layer && other.mImage && other.mImage->mFilePath == full)
        {
            layer->mImage = other.mImage;
            return true;
        }
    std::unique_ptr<ImageLib::Image> decoded = ImageLib::GetImage(full);
    if (!decoded && full != path) decoded = ImageLib::GetImage(path);
    if (!decoded) return Error("Failed to load image: " + path);
    auto image = std::make_shared<MemoryImage>(mHost);
    image->TakeBits(*decoded);
    image->mFilePath = full;
    layer->mImage = std::move(image);
    return true;
}

bool FontData::HandleCommand(const ListDataElement& params)
{
    const auto& args = params.mElementVector;
    const std::string command = static_cast<const SingleDataElement&>(*args[0]).mString;
    const std::string word = StringToUpper(command);
    const size_t argc = args.size() - 1;
    auto wrongCount = [&]() { return Error("Wrong number of arguments: " + command); };

    if (word == "DEFINE")
    {
        if (argc != 2 || args[1]->mIsList) return wrongCount();
        const std::string& name = static_cast<const SingleDataElement&>(*args[1]).mString;
        const DataElement* value = args[2].get();
        std::unique_ptr<DataElement> stored;
        if (value->mIsList)
        {
            auto list = std::make_unique<ListDataElement>();
            if (!DereferenceList(static_cast<const ListDataElement&>(*value), list.get())) return false;
            stored = std::move(list);
        }
        else if (DataElement* other = FindDefine(static_cast<const SingleDataElement&>(*value).mString))
        {
            stored = other->Duplicate();
        }
        else
        {
            stored = value->Duplicate();
        }
        mDefineMap[StringToUpper(name)] = std::move(stored);
        return true;
    }
    if (word == "DEFAULTPOINTSIZE") return argc == 1 ? GetInt(args[1].get(), mDefaultPointSize) : wrongCount();
    if (word == "CHARMAP")
    {
        for (size_t i = 1; i < args.size(); ++i)
        {
            ListDataElement pair;
            if (!DataToList(args[i].get(), &pair) || pair.mElementVector.size() != 2)
                return mError.empty() ? Error("CharMap needs (from to) pairs") : false;
            int from = 0, to = 0;
            if (!GetCharCode(pair.mElementVector[0].get(), from) || !GetCharCode(pair.mElementVector[1].get(), to))
                return false;
            mCharMap[static_cast<size_t>(from)] = static_cast<uint8_t>(to);
        }
        return true;
    }
    if (word == "LAYER")
    {
        if (argc != 1) return wrongCount();
        FontLayer& layer = mFontLayerList.emplace_back();
        if (!GetString(args[1].get(), layer.mLayerName)) return false;
        mCurrentLayer = &layer;
        return true;
    }
    if (word == "GLYPHS")
        return PerCharLists(params, command, 4,
                            [this](CharData& cd, const std::vector<int>& v)
                            {
                                cd.mImageRect = Rect(v[0], v[1], v[2], v[3]);
                                if (v[3] > mCurrentLayer->mDefaultHeight) mCurrentLayer->mDefaultHeight = v[3];
                            });
    if (word == "ADVANCES")
        return PerCharLists(params, command, 1, [](CharData& cd, const std::vector<int>& v) { cd.mWidth = v[0]; });
    if (word == "OFFSETS")
        return PerCharLists(params, command, 2,
                            [](CharData& cd, const std::vector<int>& v) { cd.mOffset = Point(v[0], v[1]); });
    if (word == "ORDERS")
        return PerCharLists(params, command, 1, [](CharData& cd, const std::vector<int>& v) { cd.mOrder = v[0]; });

    // Everything below sets a field of the current layer.
    static const char* const kLayerWords[] = {"IMAGE",     "KERN",    "METRICS", "POINTSIZE", "POINTRANGE",
                                              "SPACING",   "OFFSET",  "TINT",    "TONE",      "MODE",
                                              "BASEORDER", "REQUIRE", "EXCLUDE"};
    if (std::find(std::begin(kLayerWords), std::end(kLayerWords), word) == std::end(kLayerWords))
        return Error("Unknown command: " + command);
    FontLayer* layer = CurrentLayer(command);
    if (layer == nullptr) return false;
    auto ints = [&](std::initializer_list<int*> fields)
    {
        if (argc != fields.size()) return wrongCount();
        size_t i = 1;
        for (int* field : fields)
            if (!GetInt(args[i++].get(), *field)) return false;
        return true;
    };
    if (word == "IMAGE")
    {
        std::string path;
        return argc == 1 ? GetString(args[1].get(), path) && LoadImage(layer, path) : wrongCount();
    }
    if (word == "KERN")
    {
        if (argc == 0 || argc % 2 != 0) return wrongCount();
        for (size_t i = 1; i < args.size(); i += 2)
        {
            std::string pair;
            int value = 0;
            if (!GetString(args[i].get(), pair) || !GetInt(args[i + 1].get(), value)) return false;
            if (pair.size() != 2) return Error("Kern needs two characters: " + pair);
            if (value < -128 || value > 127) return Error(FormatString("Kerning out of range: %d", value));
            layer->mCharData[static_cast<unsigned char>(pair[0])].mKerningOffsets[static_cast<unsigned char>(pair[1])] =
                static_cast<int8_t>(value);
        }
        return true;
    }
    if (word == "METRICS")
        return ints({&layer->mAscent, &layer->mAscentPadding, &layer->mHeight, &layer->mLineSpacingOffset});
    if (word == "POINTSIZE") return ints({&layer->mPointSize});
    if (word == "POINTRANGE") return ints({&layer->mMinPointSize, &layer->mMaxPointSize});
    if (word == "SPACING") return ints({&layer->mSpacing});
    if (word == "OFFSET") return ints({&layer->mOffsetX, &layer->mOffsetY});
    if (word == "TINT")
        return ints(
            {&layer->mColorMult.mRed, &layer->mColorMult.mGreen, &layer->mColorMult.mBlue, &layer->mColorMult.mAlpha});
    if (word == "TONE")
        return ints(
            {&layer->mColorAdd.mRed, &layer->mColorAdd.mGreen, &layer->mColorAdd.mBlue, &layer->mColorAdd.mAlpha});
    if (word == "MODE") return ints({&layer->mDrawMode});
    if (word == "BASEORDER") return ints({&layer->mBaseOrder});
    if (word == "REQUIRE" || word == "EXCLUDE")
    {
        auto& tags = word == "REQUIRE" ? layer->mRequiredTags : layer->mExcludedTags;
        for (size_t i = 1; i < args.size(); ++i)
        {
            std::string tag;
            if (!GetString(args[i].get(), tag)) return false;
            tags.push_back(StringToUpper(tag));
        }
        return true;
    }
    return Error("Unknown command: " + command);
}

} // namespace Zest
