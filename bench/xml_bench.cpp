// Our XML reader against pugixml and expat on two inputs: a generated 1 MB level-like file, and the game's own XML
// files as the game reads them (every .xml in the built game's pack, found beside this program as
// ../content/main.pak). Ours reads from the pack, as the game does; the other two get the same bytes in memory. Each
// parses and walks every element, reading its name and each attribute's name and value (what a caller of any of
// them does). All three must see the same elements and attributes (checked before timing, outside the timed loops).
// Prints the processor-time ratios. The allocator is settled first (see BenchRatio.h): pugixml copies the document
// every pass, and memory handed back to the system would fault in again each time.
#include "data/PakInterface.h"
#include "data/PakWriter.h"
#include "data/XMLParser.h"

#include "BenchRatio.h"

#include <benchmark/benchmark.h>
#include <expat.h>
#include <pugixml.hpp>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace
{

// Levels of rows, customers and dishes: eight attributes per element, four levels deep, about 1 MB.
std::string MakeLevelFile()
{
    std::mt19937 rng(77);
    auto num = [&](int n) { return std::to_string(rng() % n); };
    std::string s = "<?xml version=\"1.0\"?>\n<Levels>\n";
    for (int level = 0; s.size() < 1000000; ++level)
    {
        const std::string id = std::to_string(level);
        s += "  <Level id=\"" + id + "\" name=\"Level " + id + "\" time=\"" + num(300) + "\" goal=\"" + num(5000) +
             "\" expert=\"" + num(9000) + "\" columns=\"" + num(3) + "\" customers=\"" + num(9) +
             "\" bonus=\"Inlay\">\n";
        s += "    <Field>\n";
        for (int row = 0; row < 8; ++row)
            s += "      <Row index=\"" + std::to_string(row) + "\" cells=\"1,1,0,1,1,1,0,1,1\" burners=\"" + num(512) +
                 "\" broken=\"" + num(4) + "\" ice=\"" + num(3) + "\" lightning=\"" + num(1000) + "\" chance=\"" +
                 num(1000) + "\" kind=\"" + num(7) + "\"/>\n";
        s += "    </Field>\n";
        for (int c = 0; c < 6; ++c)
            s += "    <Customer type=\"" + num(12) + "\" wish=\"pizza_" + num(5) + "x" + num(5) + "\" patience=\"" +
                 num(90) + "\" tip=\"" + num(30) + "\" arrival=\"" + num(200) + "\" mood=\"happy\" toppings=\"" +
                 "tomato,cheese,olive\" seat=\"" + num(4) + "\"/>\n";
        s += "    <Dish id=\"" + num(40) + "\" w=\"2\" h=\"3\" time=\"4.5\" price=\"" + num(400) +
             "\" first=\"tomato\" second=\"cheese\" title=\"Margherita &amp; more\"/>\n";
        s += "    <Text lang=\"en\">Serve the   customers &amp; keep the burners hot</Text>\n";
        s += "  </Level>\n";
    }
    s += "</Levels>\n";
    return s;
}

// The built game's pack, when it is beside this program (set from the program's path before the fixture is made).
std::string gGamePack;

// One input: the name ours opens in the pack, and its bytes for the other two.
struct Document
{
    std::string name;
    std::string bytes;
};

struct Fixture
{
    std::string xml = MakeLevelFile();
    std::filesystem::path dir;
    Zest::PakInterface pak;
    std::vector<Document> gameFiles;
    size_t gameBytes = 0;

    Fixture()
    {
        std::random_device rd;
        dir = std::filesystem::temp_directory_path() / ("zest_xml_bench_" + std::to_string(rd()));
        std::filesystem::create_directories(dir);
        Zest::PakWriter writer;
        writer.AddFile("bench\\generated.xml", xml, 0);
        const std::string pack = (dir / "main.pak").string();
        if (!writer.WriteTo(pack) || !pak.AddPakFile(pack))
        {
            std::fprintf(stderr, "cannot build the benchmark pack\n");
            std::exit(1);
        }
        if (!gGamePack.empty() && std::filesystem::exists(gGamePack) && pak.AddPakFile(gGamePack)) ReadGameFiles();
    }

    void ReadGameFiles()
    {
        for (const char* folder : {"levels\\", "properties\\", "characters\\"})
        {
            Zest::FindData found;
            Zest::PackFindState* search = pak.FindFirstFile(std::string(folder) + "*.xml", &found);
            for (bool more = search != nullptr; more; more = pak.FindNextFile(search, &found) != 0)
            {
                Document d{std::string(folder) + found.fileName, {}};
                Zest::PakFile file = Zest::PakOpenFile(d.name, "rb");
                if (!file) continue;
                char block[4096];
                for (size_t n; (n = Zest::PakRead(block, 1, sizeof block, file.get())) > 0;) d.bytes.append(block, n);
                gameBytes += d.bytes.size();
                gameFiles.push_back(std::move(d));
            }
            if (search) pak.FindClose(search);
        }
    }
    ~Fixture() { std::filesystem::remove_all(dir); }
};

Fixture& TheFixture()
{
    static Fixture fixture;
    return fixture;
}

// ---- the three readers, each producing "name|attr=value|..." per element (attributes sorted) ----

using Elements = std::vector<std::string>;

std::string Describe(const std::string& name, const std::map<std::string, std::string>& attributes)
{
    std::string s = name;
    for (const auto& [k, v] : attributes) s += "|" + k + "=" + v;
    return s;
}

// What the walk reads of a name or value: its length and first byte, so that every string is reached.
inline size_t Touch(const char* s, size_t n)
{
    return n + (n ? static_cast<unsigned char>(s[0]) : 0);
}

size_t OursCount(const std::string& name, Elements* out)
{
    Zest::XMLParser parser;
    if (!parser.OpenFile(name)) std::abort();
    Zest::XMLElement e;
    size_t count = 0;
    while (parser.ReadNextElement(e))
        if (e.mType == Zest::XMLElement::TypeStartTag)
        {
            count += Touch(e.mValue.data(), e.mValue.size());
            for (const auto& [k, v] : e.mAttributes) count += Touch(k.data(), k.size()) + Touch(v.data(), v.size());
            if (out) out->push_back(Describe(e.mValue, e.mAttributes));
        }
    if (parser.HasFailed()) std::abort();
    return count;
}

inline size_t Touch(const char* s)
{
    return Touch(s, std::strlen(s));
}

size_t PugiWalk(const pugi::xml_node& node, Elements* out)
{
    size_t count = 0;
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling())
    {
        if (child.type() != pugi::node_element) continue;
        count += Touch(child.name());
        for (pugi::xml_attribute a = child.first_attribute(); a; a = a.next_attribute())
            count += Touch(a.name()) + Touch(a.value());
        if (out)
        {
            std::map<std::string, std::string> attributes;
            for (pugi::xml_attribute a = child.first_attribute(); a; a = a.next_attribute())
                attributes[a.name()] = a.value();
            out->push_back(Describe(child.name(), attributes));
        }
        count += PugiWalk(child, out);
    }
    return count;
}

size_t PugiCount(const std::string& xml, Elements* out)
{
    pugi::xml_document doc;
    if (!doc.load_buffer(xml.data(), xml.size())) std::abort();
    return PugiWalk(doc, out);
}

struct ExpatState
{
    size_t count = 0;
    Elements* out = nullptr;
};

void ExpatStart(void* user, const XML_Char* name, const XML_Char** attrs)
{
    auto* state = static_cast<ExpatState*>(user);
    state->count += Touch(name);
    for (int i = 0; attrs[i]; i += 2) state->count += Touch(attrs[i]) + Touch(attrs[i + 1]);
    if (state->out)
    {
        std::map<std::string, std::string> attributes;
        for (int i = 0; attrs[i]; i += 2) attributes[attrs[i]] = attrs[i + 1];
        state->out->push_back(Describe(name, attributes));
    }
}

void ExpatEnd(void*, const XML_Char*) {}

size_t ExpatCount(const std::string& xml, Elements* out)
{
    ExpatState state;
    state.out = out;
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &state);
    XML_SetElementHandler(parser, ExpatStart, ExpatEnd);
    if (XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), 1) != XML_STATUS_OK) std::abort();
    XML_ParserFree(parser);
    return state.count;
}

// The game's files, each read whole by one reader.
size_t OursGameFiles(Elements* out)
{
    size_t count = 0;
    for (const Document& d : TheFixture().gameFiles) count += OursCount(d.name, out);
    return count;
}

size_t PugiGameFiles(Elements* out)
{
    size_t count = 0;
    for (const Document& d : TheFixture().gameFiles) count += PugiCount(d.bytes, out);
    return count;
}

size_t ExpatGameFiles(Elements* out)
{
    size_t count = 0;
    for (const Document& d : TheFixture().gameFiles) count += ExpatCount(d.bytes, out);
    return count;
}

bool Agree(const char* what, const Elements& ours, const Elements& pugi, const Elements& expat, size_t bytes)
{
    if (ours != pugi || ours != expat || ours.empty())
    {
        std::fprintf(stderr, "the readers disagree on %s: %zu / %zu / %zu elements\n", what, ours.size(), pugi.size(),
                     expat.size());
        return false;
    }
    std::printf("all three readers see the same %zu elements in %zu bytes (%s)\n", ours.size(), bytes, what);
    return true;
}

bool CheckAgreement()
{
    const Fixture& fixture = TheFixture(); // its reader must be the active one before ours opens a file
    Elements ours, pugi, expat;
    OursCount("bench\\generated.xml", &ours);
    PugiCount(fixture.xml, &pugi);
    ExpatCount(fixture.xml, &expat);
    if (!Agree("the generated file", ours, pugi, expat, fixture.xml.size())) return false;
    if (fixture.gameFiles.empty())
    {
        std::printf("the game's pack was not found at %s: only the generated file is compared\n",
                    gGamePack.empty() ? "(no path)" : gGamePack.c_str());
        return true;
    }
    ours.clear();
    pugi.clear();
    expat.clear();
    OursGameFiles(&ours);
    PugiGameFiles(&pugi);
    ExpatGameFiles(&expat);
    const std::string what = "the game's " + std::to_string(fixture.gameFiles.size()) + " files";
    return Agree(what.c_str(), ours, pugi, expat, fixture.gameBytes);
}

void BM_OurReaderFromPack(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(OursCount("bench\\generated.xml", nullptr));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * TheFixture().xml.size()));
}

void BM_Pugixml(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(PugiCount(TheFixture().xml, nullptr));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * TheFixture().xml.size()));
}

void BM_Expat(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(ExpatCount(TheFixture().xml, nullptr));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * TheFixture().xml.size()));
}

void BM_OurReaderGameFiles(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(OursGameFiles(nullptr));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * TheFixture().gameBytes));
}

void BM_PugixmlGameFiles(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(PugiGameFiles(nullptr));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * TheFixture().gameBytes));
}

void BM_ExpatGameFiles(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(ExpatGameFiles(nullptr));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * TheFixture().gameBytes));
}

BENCHMARK(BM_OurReaderFromPack)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Pugixml)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Expat)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    gGamePack = (std::filesystem::path(argv[0]).parent_path() / ".." / "content" / "main.pak").string();
    return BenchRatio::Run(argc, argv,
                           {{"generated 1 MB: our reader / pugixml", "BM_OurReaderFromPack", "BM_Pugixml"},
                            {"generated 1 MB: our reader / expat", "BM_OurReaderFromPack", "BM_Expat"},
                            {"game's files: our reader / pugixml", "BM_OurReaderGameFiles", "BM_PugixmlGameFiles"},
                            {"game's files: our reader / expat", "BM_OurReaderGameFiles", "BM_ExpatGameFiles"}},
                           []
                           {
                               if (!CheckAgreement()) return false;
                               // The game's files are timed only when they were found.
                               if (!TheFixture().gameFiles.empty())
                                   for (auto* b :
                                        {benchmark::RegisterBenchmark("BM_OurReaderGameFiles", BM_OurReaderGameFiles),
                                         benchmark::RegisterBenchmark("BM_PugixmlGameFiles", BM_PugixmlGameFiles),
                                         benchmark::RegisterBenchmark("BM_ExpatGameFiles", BM_ExpatGameFiles)})
                                       b->Unit(benchmark::kMicrosecond);
                               return true;
                           });
}
