// Strings, numbers, paths, folders and formatting shared by the whole framework.
#include "base/Common.h"

#include "platform/Debug.h"
#include "platform/Files.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace Zest
{

namespace
{

std::string gAppDataFolder;

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// Native path of a name spelled with either separator and any letter case.
std::string NativeName(const std::string& name)
{
    return Platform::ResolveFileName(name);
}

std::string FormatArgs(const char* format, va_list args)
{
    if (format == nullptr) return {};
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) return {};
    std::string result(static_cast<size_t>(length), '\0');
    std::vsnprintf(result.data(), result.size() + 1, format, args);
    return result;
}

char LowerByte(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

template <typename CharT>
std::basic_string<CharT> DecodeEntities(const std::basic_string<CharT>& text)
{
    struct Entity
    {
        const char* name;
        char value;
    };
    static constexpr Entity kEntities[] = {{"lt", '<'},    {"amp", '&'},  {"gt", '>'}, {"quot", '"'},
                                           {"apos", '\''}, {"nbsp", ' '}, {"cr", '\n'}};

    std::basic_string<CharT> result;
    result.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size())
    {
        const CharT c = text[pos];
        if (c != CharT('&'))
        {
            result.push_back(c);
            ++pos;
            continue;
        }
        const size_t semicolon = text.find(CharT(';'), pos + 1);
        if (semicolon == std::basic_string<CharT>::npos)
        {
            result.push_back(c);
            ++pos;
            continue;
        }
        const auto name = text.substr(pos + 1, semicolon - pos - 1);
        CharT decoded = CharT('&');
        for (const Entity& entity : kEntities)
        {
            const std::string_view entityName(entity.name);
            if (std::equal(name.begin(), name.end(), entityName.begin(), entityName.end(),
                           [](CharT a, char b) { return a == CharT(static_cast<unsigned char>(b)); }))
            {
                decoded = CharT(static_cast<unsigned char>(entity.value));
                break;
            }
        }
        result.push_back(decoded);
        pos = semicolon + 1;
    }
    return result;
}

struct ErrorName
{
    uint32_t code;
    const char* name;
};

constexpr uint32_t DisplayCode(uint32_t code)
{
    return 0x88760000u | code;
}

constexpr uint32_t SoundCode(uint32_t code)
{
    return 0x88780000u | code;
}

// Generic system results that the display, 3D and sound interfaces share.
constexpr uint32_t kFail = 0x80004005u;
constexpr uint32_t kInvalidArg = 0x80070057u;
constexpr uint32_t kOutOfMemory = 0x8007000Eu;
constexpr uint32_t kNotImplemented = 0x80004001u;
constexpr uint32_t kNoInterface = 0x80004002u;
constexpr uint32_t kAccessDenied = 0x80070005u;
constexpr uint32_t kNoAggregation = 0x80040110u;
constexpr uint32_t kNotInitialized = 0x800401F0u;

// Looked up from the top, so a code shared by several interfaces gets the first name listed for it.
constexpr ErrorName kErrorNames[] = {
    {kOutOfMemory, "E_OUTOFMEMORY"},
    // Display
    {DisplayCode(5), "DDERR_ALREADYINITIALIZED"},
    {DisplayCode(10), "DDERR_CANNOTATTACHSURFACE"},
    {DisplayCode(20), "DDERR_CANNOTDETACHSURFACE"},
    {DisplayCode(40), "DDERR_CURRENTLYNOTAVAIL"},
    {DisplayCode(55), "DDERR_EXCEPTION"},
    {kFail, "DDERR_GENERIC"},
    {DisplayCode(90), "DDERR_HEIGHTALIGN"},
    {DisplayCode(95), "DDERR_INCOMPATIBLEPRIMARY"},
    {DisplayCode(100), "DDERR_INVALIDCAPS"},
    {DisplayCode(110), "DDERR_INVALIDCLIPLIST"},
    {DisplayCode(120), "DDERR_INVALIDMODE"},
    {DisplayCode(130), "DDERR_INVALIDOBJECT"},
    {kInvalidArg, "DDERR_INVALIDPARAMS"},
    {DisplayCode(145), "DDERR_INVALIDPIXELFORMAT"},
    {DisplayCode(150), "DDERR_INVALIDRECT"},
    {DisplayCode(160), "DDERR_LOCKEDSURFACES"},
    {DisplayCode(170), "DDERR_NO3D"},
    {DisplayCode(180), "DDERR_NOALPHAHW"},
    {DisplayCode(181), "DDERR_NOSTEREOHARDWARE"},
    {DisplayCode(182), "DDERR_NOSURFACELEFT"},
    {DisplayCode(205), "DDERR_NOCLIPLIST"},
    {DisplayCode(210), "DDERR_NOCOLORCONVHW"},
    {DisplayCode(212), "DDERR_NOCOOPERATIVELEVELSET"},
    {DisplayCode(215), "DDERR_NOCOLORKEY"},
    {DisplayCode(220), "DDERR_NOCOLORKEYHW"},
    {DisplayCode(222), "DDERR_NODIRECTDRAWSUPPORT"},
    {DisplayCode(225), "DDERR_NOEXCLUSIVEMODE"},
    {DisplayCode(230), "DDERR_NOFLIPHW"},
    {DisplayCode(240), "DDERR_NOGDI"},
    {DisplayCode(250), "DDERR_NOMIRRORHW"},
    {DisplayCode(255), "DDERR_NOTFOUND"},
    {DisplayCode(260), "DDERR_NOOVERLAYHW"},
    {DisplayCode(270), "DDERR_OVERLAPPINGRECTS"},
    {DisplayCode(280), "DDERR_NORASTEROPHW"},
    {DisplayCode(290), "DDERR_NOROTATIONHW"},
    {DisplayCode(310), "DDERR_NOSTRETCHHW"},
    {DisplayCode(316), "DDERR_NOT4BITCOLOR"},
    {DisplayCode(317), "DDERR_NOT4BITCOLORINDEX"},
    {DisplayCode(320), "DDERR_NOT8BITCOLOR"},
    {DisplayCode(330), "DDERR_NOTEXTUREHW"},
    {DisplayCode(335), "DDERR_NOVSYNCHW"},
    {DisplayCode(340), "DDERR_NOZBUFFERHW"},
    {DisplayCode(350), "DDERR_NOZOVERLAYHW"},
    {DisplayCode(360), "DDERR_OUTOFCAPS"},
    {DisplayCode(380), "DDERR_OUTOFVIDEOMEMORY"},
    {DisplayCode(382), "DDERR_OVERLAYCANTCLIP"},
    {DisplayCode(384), "DDERR_OVERLAYCOLORKEYONLYONEACTIVE"},
    {DisplayCode(387), "DDERR_PALETTEBUSY"},
    {DisplayCode(400), "DDERR_COLORKEYNOTSET"},
    {DisplayCode(410), "DDERR_SURFACEALREADYATTACHED"},
    {DisplayCode(420), "DDERR_SURFACEALREADYDEPENDENT"},
    {DisplayCode(430), "DDERR_SURFACEBUSY"},
    {DisplayCode(435), "DDERR_CANTLOCKSURFACE"},
    {DisplayCode(440), "DDERR_SURFACEISOBSCURED"},
    {DisplayCode(450), "DDERR_SURFACELOST"},
    {DisplayCode(460), "DDERR_SURFACENOTATTACHED"},
    {DisplayCode(470), "DDERR_TOOBIGHEIGHT"},
    {DisplayCode(480), "DDERR_TOOBIGSIZE"},
    {DisplayCode(490), "DDERR_TOOBIGWIDTH"},
    {kNotImplemented, "DDERR_UNSUPPORTED"},
    {DisplayCode(510), "DDERR_UNSUPPORTEDFORMAT"},
    {DisplayCode(520), "DDERR_UNSUPPORTEDMASK"},
    {DisplayCode(521), "DDERR_INVALIDSTREAM"},
    {DisplayCode(537), "DDERR_VERTICALBLANKINPROGRESS"},
    {DisplayCode(540), "DDERR_WASSTILLDRAWING"},
    {DisplayCode(542), "DDERR_DDSCAPSCOMPLEXREQUIRED"},
    {DisplayCode(560), "DDERR_XALIGN"},
    {DisplayCode(561), "DDERR_INVALIDDIRECTDRAWGUID"},
    {DisplayCode(562), "DDERR_DIRECTDRAWALREADYCREATED"},
    {DisplayCode(563), "DDERR_NODIRECTDRAWHW"},
    {DisplayCode(564), "DDERR_PRIMARYSURFACEALREADYEXISTS"},
    {DisplayCode(565), "DDERR_NOEMULATION"},
    {DisplayCode(566), "DDERR_REGIONTOOSMALL"},
    {DisplayCode(567), "DDERR_CLIPPERISUSINGHWND"},
    {DisplayCode(568), "DDERR_NOCLIPPERATTACHED"},
    {DisplayCode(569), "DDERR_NOHWND"},
    {DisplayCode(570), "DDERR_HWNDSUBCLASSED"},
    {DisplayCode(571), "DDERR_HWNDALREADYSET"},
    {DisplayCode(572), "DDERR_NOPALETTEATTACHED"},
    {DisplayCode(573), "DDERR_NOPALETTEHW"},
    {DisplayCode(574), "DDERR_BLTFASTCANTCLIP"},
    {DisplayCode(575), "DDERR_NOBLTHW"},
    {DisplayCode(576), "DDERR_NODDROPSHW"},
    {DisplayCode(577), "DDERR_OVERLAYNOTVISIBLE"},
    {DisplayCode(578), "DDERR_NOOVERLAYDEST"},
    {DisplayCode(579), "DDERR_INVALIDPOSITION"},
    {DisplayCode(580), "DDERR_NOTAOVERLAYSURFACE"},
    {DisplayCode(581), "DDERR_EXCLUSIVEMODEALREADYSET"},
    {DisplayCode(582), "DDERR_NOTFLIPPABLE"},
    {DisplayCode(583), "DDERR_CANTDUPLICATE"},
    {DisplayCode(584), "DDERR_NOTLOCKED"},
    {DisplayCode(585), "DDERR_CANTCREATEDC"},
    {DisplayCode(586), "DDERR_NODC"},
    {DisplayCode(587), "DDERR_WRONGMODE"},
    {DisplayCode(588), "DDERR_IMPLICITLYCREATED"},
    {DisplayCode(589), "DDERR_NOTPALETTIZED"},
    {DisplayCode(590), "DDERR_UNSUPPORTEDMODE"},
    {DisplayCode(591), "DDERR_NOMIPMAPHW"},
    {DisplayCode(592), "DDERR_INVALIDSURFACETYPE"},
    {DisplayCode(600), "DDERR_NOOPTIMIZEHW"},
    {DisplayCode(601), "DDERR_NOTLOADED"},
    {DisplayCode(602), "DDERR_NOFOCUSWINDOW"},
    {DisplayCode(603), "DDERR_NOTONMIPMAPSUBLEVEL"},
    {DisplayCode(620), "DDERR_DCALREADYCREATED"},
    {DisplayCode(630), "DDERR_NONONLOCALVIDMEM"},
    {DisplayCode(640), "DDERR_CANTPAGELOCK"},
    {DisplayCode(660), "DDERR_CANTPAGEUNLOCK"},
    {DisplayCode(680), "DDERR_NOTPAGELOCKED"},
    {DisplayCode(690), "DDERR_MOREDATA"},
    {DisplayCode(691), "DDERR_EXPIRED"},
    {DisplayCode(692), "DDERR_TESTFINISHED"},
    {DisplayCode(693), "DDERR_NEWMODE"},
    {DisplayCode(694), "DDERR_D3DNOTINITIALIZED"},
    {DisplayCode(695), "DDERR_VIDEONOTACTIVE"},
    {DisplayCode(696), "DDERR_NOMONITORINFORMATION"},
    {DisplayCode(697), "DDERR_NODRIVERSUPPORT"},
    {DisplayCode(699), "DDERR_DEVICEDOESNTOWNSURFACE"},
    {kNotInitialized, "DDERR_NOTINITIALIZED"},
    // 3D
    {DisplayCode(700), "D3DERR_BADMAJORVERSION"},
    {DisplayCode(701), "D3DERR_BADMINORVERSION"},
    {DisplayCode(705), "D3DERR_INVALID_DEVICE"},
    {DisplayCode(706), "D3DERR_INITFAILED"},
    {DisplayCode(707), "D3DERR_DEVICEAGGREGATED"},
    {DisplayCode(710), "D3DERR_EXECUTE_CREATE_FAILED"},
    {DisplayCode(711), "D3DERR_EXECUTE_DESTROY_FAILED"},
    {DisplayCode(712), "D3DERR_EXECUTE_LOCK_FAILED"},
    {DisplayCode(713), "D3DERR_EXECUTE_UNLOCK_FAILED"},
    {DisplayCode(714), "D3DERR_EXECUTE_LOCKED"},
    {DisplayCode(715), "D3DERR_EXECUTE_NOT_LOCKED"},
    {DisplayCode(716), "D3DERR_EXECUTE_FAILED"},
    {DisplayCode(717), "D3DERR_EXECUTE_CLIPPED_FAILED"},
    {DisplayCode(720), "D3DERR_TEXTURE_NO_SUPPORT"},
    {DisplayCode(721), "D3DERR_TEXTURE_CREATE_FAILED"},
    {DisplayCode(722), "D3DERR_TEXTURE_DESTROY_FAILED"},
    {DisplayCode(723), "D3DERR_TEXTURE_LOCK_FAILED"},
    {DisplayCode(724), "D3DERR_TEXTURE_UNLOCK_FAILED"},
    {DisplayCode(725), "D3DERR_TEXTURE_LOAD_FAILED"},
    {DisplayCode(726), "D3DERR_TEXTURE_SWAP_FAILED"},
    {DisplayCode(727), "D3DERR_TEXTURE_LOCKED"},
    {DisplayCode(728), "D3DERR_TEXTURE_NOT_LOCKED"},
    {DisplayCode(729), "D3DERR_TEXTURE_GETSURF_FAILED"},
    {DisplayCode(730), "D3DERR_MATRIX_CREATE_FAILED"},
    {DisplayCode(731), "D3DERR_MATRIX_DESTROY_FAILED"},
    {DisplayCode(732), "D3DERR_MATRIX_SETDATA_FAILED"},
    {DisplayCode(733), "D3DERR_MATRIX_GETDATA_FAILED"},
    {DisplayCode(734), "D3DERR_SETVIEWPORTDATA_FAILED"},
    {DisplayCode(735), "D3DERR_INVALIDCURRENTVIEWPORT"},
    {DisplayCode(736), "D3DERR_INVALIDPRIMITIVETYPE"},
    {DisplayCode(737), "D3DERR_INVALIDVERTEXTYPE"},
    {DisplayCode(738), "D3DERR_TEXTURE_BADSIZE"},
    {DisplayCode(739), "D3DERR_INVALIDRAMPTEXTURE"},
    {DisplayCode(740), "D3DERR_MATERIAL_CREATE_FAILED"},
    {DisplayCode(741), "D3DERR_MATERIAL_DESTROY_FAILED"},
    {DisplayCode(742), "D3DERR_MATERIAL_SETDATA_FAILED"},
    {DisplayCode(743), "D3DERR_MATERIAL_GETDATA_FAILED"},
    {DisplayCode(744), "D3DERR_INVALIDPALETTE"},
    {DisplayCode(745), "D3DERR_ZBUFF_NEEDS_SYSTEMMEMORY"},
    {DisplayCode(746), "D3DERR_ZBUFF_NEEDS_VIDEOMEMORY"},
    {DisplayCode(747), "D3DERR_SURFACENOTINVIDMEM"},
    {DisplayCode(750), "D3DERR_LIGHT_SET_FAILED"},
    {DisplayCode(751), "D3DERR_LIGHTHASVIEWPORT"},
    {DisplayCode(752), "D3DERR_LIGHTNOTINTHISVIEWPORT"},
    {DisplayCode(760), "D3DERR_SCENE_IN_SCENE"},
    {DisplayCode(761), "D3DERR_SCENE_NOT_IN_SCENE"},
    {DisplayCode(762), "D3DERR_SCENE_BEGIN_FAILED"},
    {DisplayCode(763), "D3DERR_SCENE_END_FAILED"},
    {DisplayCode(770), "D3DERR_INBEGIN"},
    {DisplayCode(771), "D3DERR_NOTINBEGIN"},
    {DisplayCode(780), "D3DERR_NOVIEWPORTS"},
    {DisplayCode(781), "D3DERR_VIEWPORTDATANOTSET"},
    {DisplayCode(782), "D3DERR_VIEWPORTHASNODEVICE"},
    {DisplayCode(783), "D3DERR_NOCURRENTVIEWPORT"},
    {DisplayCode(2048), "D3DERR_INVALIDVERTEXFORMAT"},
    {DisplayCode(2050), "D3DERR_COLORKEYATTACHED"},
    {DisplayCode(2060), "D3DERR_VERTEXBUFFEROPTIMIZED"},
    {DisplayCode(2061), "D3DERR_VBUF_CREATE_FAILED"},
    {DisplayCode(2062), "D3DERR_VERTEXBUFFERLOCKED"},
    {DisplayCode(2063), "D3DERR_VERTEXBUFFERUNLOCKFAILED"},
    {DisplayCode(2070), "D3DERR_ZBUFFER_NOTPRESENT"},
    {DisplayCode(2071), "D3DERR_STENCILBUFFER_NOTPRESENT"},
    {DisplayCode(2072), "D3DERR_WRONGTEXTUREFORMAT"},
    {DisplayCode(2073), "D3DERR_UNSUPPORTEDCOLOROPERATION"},
    {DisplayCode(2074), "D3DERR_UNSUPPORTEDCOLORARG"},
    {DisplayCode(2075), "D3DERR_UNSUPPORTEDALPHAOPERATION"},
    {DisplayCode(2076), "D3DERR_UNSUPPORTEDALPHAARG"},
    {DisplayCode(2077), "D3DERR_TOOMANYOPERATIONS"},
    {DisplayCode(2078), "D3DERR_CONFLICTINGTEXTUREFILTER"},
    {DisplayCode(2079), "D3DERR_UNSUPPORTEDFACTORVALUE"},
    {DisplayCode(2081), "D3DERR_CONFLICTINGRENDERSTATE"},
    {DisplayCode(2082), "D3DERR_UNSUPPORTEDTEXTUREFILTER"},
    {DisplayCode(2083), "D3DERR_TOOMANYPRIMITIVES"},
    {DisplayCode(2084), "D3DERR_INVALIDMATRIX"},
    {DisplayCode(2085), "D3DERR_TOOMANYVERTICES"},
    {DisplayCode(2086), "D3DERR_CONFLICTINGTEXTUREPALETTE"},
    {DisplayCode(2100), "D3DERR_INVALIDSTATEBLOCK"},
    {DisplayCode(2101), "D3DERR_INBEGINSTATEBLOCK"},
    {DisplayCode(2102), "D3DERR_NOTINBEGINSTATEBLOCK"},
    {DisplayCode(3000), "D3DERR_COMMAND_UNPARSED"},
    // Sound
    {SoundCode(10), "DSERR_ALLOCATED"},
    {SoundCode(30), "DSERR_CONTROLUNAVAIL"},
    {SoundCode(50), "DSERR_INVALIDCALL"},
    {SoundCode(70), "DSERR_PRIOLEVELNEEDED"},
    {SoundCode(100), "DSERR_BADFORMAT"},
    {SoundCode(120), "DSERR_NODRIVER"},
    {SoundCode(130), "DSERR_ALREADYINITIALIZED"},
    {SoundCode(150), "DSERR_BUFFERLOST"},
    {SoundCode(160), "DSERR_OTHERAPPHASPRIO"},
    {SoundCode(170), "DSERR_UNINITIALIZED"},
    {kNoAggregation, "DSERR_NOAGGREGATION"},
    {kNoInterface, "DSERR_NOINTERFACE"},
    {kAccessDenied, "DSERR_ACCESSDENIED"},
};

struct PathPart
{
    std::string name;
    std::string separator; // the separator that followed the name, or "" at the end
};

std::vector<PathPart> SplitPath(const std::string& path)
{
    std::vector<PathPart> parts;
    size_t start = 0;
    for (size_t i = 0; i <= path.size(); ++i)
    {
        if (i < path.size() && !IsSeparator(path[i])) continue;
        PathPart part{path.substr(start, i - start), i < path.size() ? std::string(1, path[i]) : std::string()};
        if (!part.name.empty() || !part.separator.empty()) parts.push_back(std::move(part));
        start = i + 1;
    }
    return parts;
}

} // namespace

bool IsWin9x()
{
    return false;
}

bool IsVistaOrLater()
{
    return true;
}

void SetAppDataFolder(const std::string& folder)
{
    gAppDataFolder = AddTrailingSlash(folder);
}

std::string GetAppDataFolder()
{
    return gAppDataFolder;
}

std::string StringToUpper(const std::string& text)
{
    std::string result = text;
    for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

std::string StringToLower(const std::string& text)
{
    std::string result = text;
    for (char& c : result) c = LowerByte(c);
    return result;
}

std::string WideToNarrow(const std::wstring& text)
{
    std::string result;
    result.reserve(text.size());
    for (wchar_t unit : text)
    {
        const auto value = static_cast<uint32_t>(unit);
        result.push_back(value <= 0xFF ? static_cast<char>(value) : '?');
    }
    return result;
}

std::wstring NarrowToWide(const std::string& text)
{
    std::wstring result;
    result.reserve(text.size());
    for (char c : text) result.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return result;
}

std::string StringCopy(const std::string& text)
{
    return text;
}

std::wstring WStringCopy(const std::wstring& text)
{
    return text;
}

std::string Trim(const std::string& text)
{
    const auto isSpace = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    size_t first = 0;
    size_t last = text.size();
    while (first < last && isSpace(text[first])) ++first;
    while (last > first && isSpace(text[last - 1])) --last;
    return text.substr(first, last - first);
}

bool ParseInt(const std::string& text, int& out)
{
    out = 0;
    size_t pos = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) ++pos;
    const bool hex = text.size() - pos >= 2 && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X');
    if (hex) pos += 2;
    if (pos == text.size()) return false;

    const uint64_t base = hex ? 16 : 10;
    const uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 2147483648ull : 2147483647ull);
    uint64_t value = 0;
    for (; pos < text.size(); ++pos)
    {
        const char c = text[pos];
        uint64_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint64_t>(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            digit = static_cast<uint64_t>(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            digit = static_cast<uint64_t>(c - 'A' + 10);
        else
            return false;
        value = value * base + digit;
        if (value > limit) return false;
    }

    if (hex)
    {
        const auto pattern = static_cast<uint32_t>(value);
        out = static_cast<int>(negative ? 0u - pattern : pattern);
    }
    else
    {
        out = static_cast<int>(negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value));
    }
    return true;
}

bool ParseDouble(const std::string& text, double& out)
{
    out = 0.0;
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value)) return false;
    out = value;
    return true;
}

std::string CommaSeparate(int value)
{
    if (value < 0) return {};
    const std::string digits = std::to_string(value);
    std::string result;
    result.reserve(digits.size() + digits.size() / 3);
    for (size_t i = 0; i < digits.size(); ++i)
    {
        if (i > 0 && (digits.size() - i) % 3 == 0) result.push_back(',');
        result.push_back(digits[i]);
    }
    return result;
}

std::string ResolveRelativePath(const std::string& path, const std::string& base)
{
    if (path.find(':') != std::string::npos || (!path.empty() && path[0] == '/')) return path;

    std::string joined = base;
    if (!joined.empty() && !IsSeparator(joined.back()))
    {
        // Join in the separator style the base already uses.
        const size_t lastSeparator = joined.find_last_of("\\/");
        joined.push_back(lastSeparator == std::string::npos ? '\\' : joined[lastSeparator]);
    }
    joined += path;

    const std::vector<PathPart> parts = SplitPath(joined);
    std::vector<PathPart> kept;
    for (const PathPart& part : parts)
    {
        if (part.name == ".") continue;
        if (part.name == "..")
        {
            // The root ("" before a leading separator) and a drive stay; ".." above them is dropped.
            const bool atRoot = kept.empty() || (kept.size() == 1 &&
                                                 (kept[0].name.empty() || kept[0].name.find(':') != std::string::npos));
            if (!atRoot) kept.pop_back();
            continue;
        }
        kept.push_back(part);
    }

    std::string result;
    for (const PathPart& part : kept) result += part.name + part.separator;
    return result;
}

void GrantFileAccessToAll(const std::string&) {}

void DeleteTree(const std::string& folder)
{
    const std::string native = RemoveTrailingSlash(NativeName(folder));
    // Never take an empty name or the root for a folder to remove.
    if (native.empty() || native.find_first_not_of('/') == std::string::npos) return;
    Platform::RemoveTree(native);
}

void MakeDirectories(const std::string& path)
{
    // Resolution keeps the real spelling of the folders that exist already; the rest are created as written.
    const std::string native = NativeName(path);
    if (!native.empty()) Platform::MakeDirectories(native);
}

std::string GetFileBaseName(const std::string& path)
{
    // The folder goes first, so that a '.' in a folder name is not taken for the extension.
    const size_t lastSeparator = path.find_last_of("\\/");
    std::string name = lastSeparator == std::string::npos ? path : path.substr(lastSeparator + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

std::string GetFileDir(const std::string& path)
{
    const size_t lastSeparator = path.find_last_of("\\/");
    return lastSeparator == std::string::npos ? std::string() : path.substr(0, lastSeparator);
}

std::string RemoveTrailingSlash(const std::string& path)
{
    if (!path.empty() && IsSeparator(path.back())) return path.substr(0, path.size() - 1);
    return path;
}

std::string AddTrailingSlash(const std::string& path)
{
    if (path.empty() || IsSeparator(path.back())) return path;
    return path + '\\';
}

uint32_t GetFileDate(const std::string& fileName)
{
    const std::string native = NativeName(fileName);
    if (native.empty()) return 0;
    const int64_t seconds = Platform::FileModificationTime(native);
    if (seconds < 0 || seconds > static_cast<int64_t>(UINT32_MAX)) return 0;
    return static_cast<uint32_t>(seconds);
}

std::string FormatString(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string result = FormatArgs(format, args);
    va_end(args);
    return result;
}

std::string XmlEncode(const std::string& text)
{
    std::string result;
    result.reserve(text.size());
    char previous = '\0';
    for (char c : text)
    {
        switch (c)
        {
        case ' ':
            result += previous == ' ' ? "&nbsp;" : " ";
            break;
        case '\n':
            result += "&cr;";
            break;
        case '"':
            result += "&quot;";
            break;
        case '&':
            result += "&amp;";
            break;
        case '\'':
            result += "&apos;";
            break;
        case '<':
            result += "&lt;";
            break;
        case '>':
            result += "&gt;";
            break;
        default:
            result.push_back(c);
            break;
        }
        previous = c;
    }
    return result;
}

std::string XmlDecode(const std::string& text)
{
    return DecodeEntities(text);
}

std::wstring XmlDecode(const std::wstring& text)
{
    return DecodeEntities(text);
}

int StrFindNoCase(const std::string& haystack, const std::string& needle)
{
    const size_t pos = StringToLower(haystack).find(StringToLower(needle));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

bool StringLessNoCase(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](char x, char y)
        { return static_cast<unsigned char>(LowerByte(x)) < static_cast<unsigned char>(LowerByte(y)); });
}

std::string DirectXErrorName(int32_t code)
{
    const auto value = static_cast<uint32_t>(code);
    for (const ErrorName& entry : kErrorNames)
    {
        if (entry.code == value) return entry.name;
    }
    return FormatString("%x", value);
}

void OutputDebug(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = FormatArgs(format, args);
    va_end(args);
    Platform::OutputDebugString(text);
}

} // namespace Zest
