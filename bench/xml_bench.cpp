// Our XML reader on a generated 1 MB level-like file (read from a pack), against pugixml and expat on the same
// bytes in memory: each parses and walks every element, reading its name and each attribute's name and value (what a
// caller of any of them does). All three must see the same elements and attributes (checked before timing, outside
// the timed loops). Prints the processor-time ratios. The allocator is settled first (see BenchRatio.h): pugixml
// copies the 1 MB document every pass, and memory handed back to the system would fault in again each time.
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

struct Fixture
{
    std::string xml = MakeLevelFile();
    std::filesystem::path dir;
    Zest::PakInterface pak;

    Fixture()
    {
        std::random_device rd;
        dir = std::filesystem::temp_directory_path() / ("zest_xml_bench_" + std::to_string(rd()));
        std::filesystem::create_directories(dir);
        Zest::PakWriter writer;
        writer.AddFile("levels\\levels.xml", xml, 0);
        const std::string pack = (dir / "main.pak").string();
        if (!writer.WriteTo(pack) || !pak.AddPakFile(pack))
        {
            std::fprintf(stderr, "cannot build the benchmark pack\n");
            std::exit(1);
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

size_t OursCount(Elements* out)
{
    Zest::XMLParser parser;
    if (!parser.OpenFile("levels\\levels.xml")) std::abort();
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

void CheckAgreement()
{
    TheFixture(); // its reader must be the active one before ours opens the file
    Elements ours, pugi, expat;
    OursCount(&ours);
    PugiCount(TheFixture().xml, &pugi);
    ExpatCount(TheFixture().xml, &expat);
    if (ours != pugi || ours != expat || ours.empty())
    {
        std::fprintf(stderr, "the readers disagree: %zu / %zu / %zu elements\n", ours.size(), pugi.size(),
                     expat.size());
        std::exit(1);
    }
    std::printf("all three readers see the same %zu elements in %zu bytes\n", ours.size(), TheFixture().xml.size());
}

void BM_OurReaderFromPack(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(OursCount(nullptr));
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

BENCHMARK(BM_OurReaderFromPack)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Pugixml)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Expat)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return BenchRatio::Run(argc, argv,
                           {{"our reader / pugixml", "BM_OurReaderFromPack", "BM_Pugixml"},
                            {"our reader / expat", "BM_OurReaderFromPack", "BM_Expat"}},
                           []
                           {
                               CheckAgreement();
                               return true;
                           });
}
