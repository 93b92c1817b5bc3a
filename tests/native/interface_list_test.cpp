// The interface list that the type library is generated from matches
// kalengine.h exactly, and the generated library reads back, help strings
// included, with a decoder written from the file format alone.
#include <gtest/gtest.h>

#include "../../tools/kalvoria_typelib.h"

#include <fstream>
#include <map>
#include <cctype>
#include <sstream>
#include <string>
#include <vector>

namespace {

// kalengine.h without its comments.
std::string headerText()
{
    std::ifstream in(KAL_SOURCE_DIR "/engine/core/kalengine.h");
    std::stringstream ss;
    ss << in.rdbuf();
    std::string text = ss.str(), out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "/*") == 0) {
            i = text.find("*/", i + 2);
            if (i == std::string::npos) break;
            ++i;
            out += ' ';
        } else if (text.compare(i, 2, "//") == 0) {
            i = text.find('\n', i);
            if (i == std::string::npos) break;
            out += '\n';
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string squeeze(const std::string &s)
{
    std::string out;
    for (char c : s)
        if (!std::isspace(static_cast<unsigned char>(c))) out += c;
    return out;
}

bool isIdent(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Splits "const RECT *ViewPort" into the squeezed type and the trailing name.
std::pair<std::string, std::string> typeAndName(const std::string &decl)
{
    size_t end = decl.find_last_not_of(" \t\n");
    size_t start = end;
    while (start > 0 && isIdent(decl[start - 1])) --start;
    return {squeeze(decl.substr(0, start)), decl.substr(start, end + 1 - start)};
}

struct Declared {
    std::string result;
    std::vector<std::pair<std::string, std::string>> params;  // type, name
};

// Every statement "RESULT KALAPI name(params);" or "... CALLBACK name(...);".
std::map<std::string, Declared> headerFunctions()
{
    std::string code;
    std::istringstream lines(headerText());
    for (std::string line; std::getline(lines, line);)
        if (line.find_first_not_of(" \t") == std::string::npos ||
            line[line.find_first_not_of(" \t")] != '#')
            code += line + "\n";
    std::map<std::string, Declared> out;
    std::istringstream statements(code);
    for (std::string st; std::getline(statements, st, ';');) {
        st = st.substr(st.find_last_of("{}") == std::string::npos ? 0 : st.find_last_of("{}") + 1);
        size_t open = st.find('('), close = st.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close < open) continue;
        auto [result, name] = typeAndName(st.substr(0, open));
        for (const char *marker : {"KALAPI", "CALLBACK"}) {
            std::string m(marker);
            if (result.size() > m.size() &&
                result.compare(result.size() - m.size(), m.size(), m) == 0) {
                Declared d{result.substr(0, result.size() - m.size()), {}};
                std::istringstream params(st.substr(open + 1, close - open - 1));
                for (std::string p; std::getline(params, p, ',');)
                    if (!squeeze(p).empty()) d.params.push_back(typeAndName(p));
                out[name] = d;
            }
        }
    }
    return out;
}

// Every "#define NAME integer".
std::map<std::string, long> headerConstants()
{
    std::map<std::string, long> out;
    std::istringstream lines(headerText());
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string directive, name, value, rest;
        words >> directive >> name >> value >> rest;
        if (directive != "#define" || value.empty() || !rest.empty()) continue;
        size_t used = 0;
        try {
            long v = std::stol(value, &used);
            if (used == value.size()) out[name] = v;
        } catch (const std::exception &) {
        }
    }
    return out;
}

}  // namespace

TEST(InterfaceList, FunctionsMatchThePrototypesOfTheHeader)
{
    std::map<std::string, Declared> header = headerFunctions();
    ASSERT_GE(header.size(), 20u) << "the header parser found too little";
    EXPECT_EQ(header.size(), std::size(kalapi::kFunctions));
    for (const kalapi::Function &f : kalapi::kFunctions) {
        auto h = header.find(f.name);
        ASSERT_NE(h, header.end()) << f.name << " is listed but not declared";
        EXPECT_EQ(h->second.result, squeeze(f.result)) << f.name;
        int count = kalapi::paramCount(f);
        ASSERT_EQ(h->second.params.size(), static_cast<size_t>(count)) << f.name;
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(h->second.params[i].first, squeeze(f.params[i].type)) << f.name;
            EXPECT_EQ(h->second.params[i].second, f.params[i].name) << f.name;
        }
        EXPECT_NE(std::string(f.help), "") << f.name;
    }
}

TEST(InterfaceList, ConstantsMatchTheDefinesOfTheHeader)
{
    std::map<std::string, long> header = headerConstants();
    ASSERT_GE(header.size(), 40u) << "the header parser found too little";
    EXPECT_EQ(header.size(), std::size(kalapi::kConstants));
    for (const kalapi::Constant &c : kalapi::kConstants) {
        auto h = header.find(c.name);
        ASSERT_NE(h, header.end()) << c.name << " is listed but not defined";
        EXPECT_EQ(h->second, c.value) << c.name;
    }
}

// ---- reading the generated library back ------------------------------------

namespace {

struct Reader {
    const std::vector<uint8_t> &b;
    unsigned u8(size_t at) const { return b.at(at); }
    unsigned u16(size_t at) const { return b.at(at) | b.at(at + 1) << 8; }
    uint32_t u32(size_t at) const { return u16(at) | static_cast<uint32_t>(u16(at + 2)) << 16; }
    std::string cstr(size_t at) const
    {
        std::string s;
        while (b.at(at)) s += static_cast<char>(b.at(at++));
        return s;
    }
};

// Help text from a bit stream: walk the dictionary tree from its root, one
// bit per node (1 = the child that follows, 0 = the jump), a word per leaf.
std::string decodeHelp(const Reader &r, size_t tree, size_t stream)
{
    std::string text;
    size_t bit = 0;
    for (;;) {
        size_t node = tree;
        while (r.u8(node) == 0x80) {
            bool one = (r.u8(stream + bit / 8) >> (7 - bit % 8)) & 1;
            ++bit;
            node = one ? node + 3 : tree + (r.u8(node + 1) << 8 | r.u8(node + 2));
        }
        std::string word = r.cstr(node + 1);
        if (word.empty()) return text;
        text += (text.empty() ? "" : " ") + word;
    }
}

struct Library {
    std::string name, help;
    std::map<std::string, std::string> moduleHelp;  // module name -> help
    std::map<std::string, std::pair<std::string, std::vector<std::string>>> functions;
    std::map<std::string, std::pair<int32_t, std::string>> constants;
};

Library readLibrary(const std::vector<uint8_t> &bytes)
{
    Reader r{bytes};
    Library lib;
    unsigned blocks = r.u16(4);
    size_t directory = 0x24;
    size_t offset = directory + 8 * (blocks - 1) + r.u16(8) + r.u16(6);
    std::vector<size_t> starts;
    for (unsigned entry = r.u16(10); entry; entry = r.u16(directory + 8 * (entry - 1) + 6)) {
        starts.push_back(offset);
        offset += r.u32(directory + 8 * (entry - 1));
    }
    size_t lb = starts.back();  // the library block ends the chain
    EXPECT_EQ(r.u16(lb), 0x51CCu);
    size_t p = lb + 8;
    lib.help = std::string(bytes.begin() + p + 2, bytes.begin() + p + 2 + r.u16(p));
    p += 2 + r.u16(p) + 2 + 4 + 2 + 2 + 4 + 2 + 4 + 16 + 0x40;
    unsigned count = r.u16(p);
    p += 2;
    std::vector<std::pair<unsigned, size_t>> summaries;  // name ref, docstring
    for (unsigned i = 0; i < count; ++i) {
        p += 2 + r.u16(p);
        p += 2 + (r.u16(p) == 0xFFFF ? 0 : r.u16(p));
        summaries.push_back({r.u16(p + 2), p + 6});
        p += 6 + r.u16(p + 4) + 2 + 4 + 2 + 16 + 2;
    }
    size_t nameTable = lb + r.u32(p);
    size_t tree = p + 4 + 2 + 4;
    size_t names = nameTable + 12 + 0x200 + 4 + 8;
    lib.name = r.cstr(names + r.u16(lb + 4));
    for (unsigned i = 0; i < count; ++i) {
        std::string module = r.cstr(names + summaries[i].first);
        lib.moduleHelp[module] = decodeHelp(r, tree, summaries[i].second);
        size_t block = starts[i];
        size_t base = block + r.u32(block + 0x0A) + 9;
        size_t tail = base + r.u32(block + r.u32(block + 0x0A) + 5);
        for (unsigned f = 0, at = r.u16(tail + 8); f < r.u16(tail);
             ++f, at = r.u16(base + at + 2)) {
            size_t rec = base + at;
            std::vector<std::string> params;
            for (unsigned k = 0; k < r.u8(rec + 0x10) >> 3; ++k)
                params.push_back(r.cstr(names + r.u16(base + r.u16(rec + 0x0E) + 4 * k)));
            lib.functions[r.cstr(names + r.u16(rec + 4))] = {
                decodeHelp(r, tree, base + r.u16(rec + 0x0C)), params};
        }
        for (unsigned v = 0, at = r.u16(tail + 10); v < r.u16(tail + 2);
             ++v, at = r.u16(base + at + 2)) {
            size_t rec = base + at;
            lib.constants[r.cstr(names + r.u16(rec + 4))] = {
                static_cast<int32_t>(r.u32(base + r.u16(rec + 6))),
                decodeHelp(r, tree, base + r.u16(rec + 0x10))};
        }
    }
    return lib;
}

}  // namespace

TEST(InterfaceList, GeneratedLibraryReadsBackWithEveryHelpString)
{
    std::vector<uint8_t> bytes = sltg::write(kalapi::kalvoriaLibrary());
    ASSERT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "SLTG");
    Library lib = readLibrary(bytes);
    EXPECT_EQ(lib.name, "Kalvoria");
    EXPECT_EQ(lib.help, "Kalvoria API");
    ASSERT_EQ(lib.moduleHelp.size(), 2u);
    EXPECT_EQ(lib.moduleHelp["Kalvoria\xA0"
                             "Functions"],
              kalapi::kFunctionsHelp);
    EXPECT_NE(lib.moduleHelp["Kalvoria\xA0"
                             "Functions"]
                  .find("KALENGINE.DLL"),
              std::string::npos);
    EXPECT_EQ(lib.moduleHelp["Kalvoria\xA0"
                             "Constants"],
              kalapi::kConstantsHelp);

    ASSERT_EQ(lib.functions.size(), std::size(kalapi::kFunctions));
    for (const kalapi::Function &f : kalapi::kFunctions) {
        auto &[help, params] = lib.functions[f.name];
        EXPECT_EQ(help, f.help) << f.name;
        ASSERT_EQ(params.size(), static_cast<size_t>(kalapi::paramCount(f))) << f.name;
        for (size_t i = 0; i < params.size(); ++i) EXPECT_EQ(params[i], f.params[i].name) << f.name;
    }
    ASSERT_EQ(lib.constants.size(), std::size(kalapi::kConstants));
    for (const kalapi::Constant &c : kalapi::kConstants) {
        EXPECT_EQ(lib.constants[c.name].first, c.value) << c.name;
        EXPECT_EQ(lib.constants[c.name].second, c.help) << c.name;
    }
}

TEST(InterfaceList, HelpCoderRoundTripsAndRejectsUnrepresentableText)
{
    sltg::HelpDictionary dict({"one two", "two three four", "a"});
    EXPECT_EQ(dict.maxLength(), std::string("two three four").size() + 1);
    std::vector<uint8_t> tree = dict.tree();
    std::vector<uint8_t> all = tree;
    std::vector<uint8_t> coded = dict.encode("four one a two");
    all.insert(all.end(), coded.begin(), coded.end());
    Reader r{all};
    EXPECT_EQ(decodeHelp(r, 0, tree.size()), "four one a two");
    EXPECT_THROW(sltg::HelpDictionary({"double  space"}), std::invalid_argument);
    EXPECT_THROW(dict.encode("unknown"), std::out_of_range);
    EXPECT_THROW(kalapi::typeWord("struct Unknown *"), std::invalid_argument);
}
