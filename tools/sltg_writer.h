// Writer of the compact type library format (it begins with "SLTG"): a
// library of module type infos holding static functions and constants, with
// help strings coded against one word dictionary. Header-only so that tests
// can build a library in memory.
#ifndef KAL_SLTG_WRITER_H
#define KAL_SLTG_WRITER_H

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace sltg {

// Type words: the VT in bits 0..5, 0x0E00 = pointer to it.
enum : uint16_t {
    vtI4 = 3,
    vtVoid = 24,
    vtUI4 = 19,
    vtLpstr = 30,
    pointerTo = 0x0E00,
};

struct Param {
    std::string name;
    uint16_t type;
};

struct Function {
    std::string name;
    std::string help;
    uint16_t result;
    std::vector<Param> params;
};

struct Constant {
    std::string name;
    int32_t value;
    std::string help;
};

struct Module {
    std::string name;
    std::string help;
    std::vector<Function> functions;
    std::vector<Constant> constants;
};

struct Library {
    std::string name;
    std::string help;
    uint8_t libid[16];
    uint16_t majorVersion;
    uint16_t minorVersion;
    std::vector<Module> modules;
    uint16_t sysKind = 1;  // SYS_WIN32; SYS_WIN64 (3) for 64-bit processes
};

// Little-endian byte buffer.
class Bytes {
   public:
    void u8(uint8_t v) { data_.push_back(v); }
    void u16(uint32_t v)
    {
        if (v > 0xFFFF) throw std::length_error("16-bit field overflows");
        u8(v & 0xFF);
        u8(v >> 8);
    }
    void u32(uint32_t v)
    {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void raw(const std::string &s) { data_.insert(data_.end(), s.begin(), s.end()); }
    void raw(const std::vector<uint8_t> &b) { data_.insert(data_.end(), b.begin(), b.end()); }
    void fill(size_t n, uint8_t v) { data_.insert(data_.end(), n, v); }
    void set(size_t at, uint8_t v) { data_.at(at) = v; }
    void patch16(size_t at, uint32_t v)
    {
        if (v > 0xFFFF) throw std::length_error("16-bit field overflows");
        data_[at] = v & 0xFF;
        data_[at + 1] = v >> 8;
    }
    size_t size() const { return data_.size(); }
    const std::vector<uint8_t> &data() const { return data_; }

   private:
    std::vector<uint8_t> data_;
};

inline std::vector<std::string> splitWords(const std::string &text)
{
    std::vector<std::string> words;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        if (end == start)
            throw std::invalid_argument("help text with empty word: \"" + text + "\"");
        words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

// Prefix code of help-string words: a balanced binary tree whose leaves are
// the distinct words plus an empty terminator word.
class HelpDictionary {
   public:
    explicit HelpDictionary(const std::vector<std::string> &texts)
    {
        std::set<std::string> distinct = {""};
        for (const std::string &text : texts) {
            for (const std::string &word : splitWords(text)) distinct.insert(word);
            maxLength_ = std::max(maxLength_, text.size() + 1);
        }
        std::vector<std::string> words(distinct.begin(), distinct.end());
        build(words, 0, words.size(), "");
    }

    const std::vector<uint8_t> &tree() const { return tree_.data(); }
    size_t maxLength() const { return maxLength_; }

    // The coded text, terminator included, padded with zero bits.
    std::vector<uint8_t> encode(const std::string &text) const
    {
        std::string bits;
        for (const std::string &word : splitWords(text)) bits += codes_.at(word);
        bits += codes_.at("");
        std::vector<uint8_t> out((bits.size() + 7) / 8, 0);
        for (size_t i = 0; i < bits.size(); ++i)
            if (bits[i] == '1') out[i / 8] |= 0x80 >> (i % 8);
        return out;
    }

   private:
    // A node is 0x80 and the big-endian offset of its 0-child; its 1-child
    // follows it. A leaf is a 0 byte and its NUL-terminated word.
    void build(const std::vector<std::string> &words, size_t lo, size_t hi,
               const std::string &prefix)
    {
        if (hi - lo == 1) {
            tree_.u8(0);
            tree_.raw(words[lo]);
            tree_.u8(0);
            codes_[words[lo]] = prefix;
            return;
        }
        size_t node = tree_.size();
        tree_.fill(3, 0x80);
        size_t mid = lo + (hi - lo) / 2;
        build(words, lo, mid, prefix + "1");
        size_t zeroChild = tree_.size();
        if (zeroChild > 0xFFFF) throw std::length_error("help dictionary too large");
        tree_.set(node + 1, static_cast<uint8_t>(zeroChild >> 8));
        tree_.set(node + 2, static_cast<uint8_t>(zeroChild & 0xFF));
        build(words, mid, hi, prefix + "0");
    }

    Bytes tree_;
    std::map<std::string, std::string> codes_;
    size_t maxLength_ = 1;
};

// Names area of the name table: each entry is 8 bytes of 0xFF, the name and a
// NUL, padded to an even length; a name's reference is its entry's offset.
class NameTable {
   public:
    uint16_t ref(const std::string &name)
    {
        auto found = refs_.find(name);
        if (found != refs_.end()) return found->second;
        size_t offset = area_.size();
        if (offset > 0xFFF0) throw std::length_error("name table too large");
        area_.fill(8, 0xFF);
        area_.raw(name);
        area_.u8(0);
        if (area_.size() % 2) area_.u8(0);
        refs_[name] = static_cast<uint16_t>(offset);
        return static_cast<uint16_t>(offset);
    }
    const std::vector<uint8_t> &area() const { return area_.data(); }

   private:
    Bytes area_;
    std::map<std::string, uint16_t> refs_;
};

constexpr uint8_t kFormatGuid[16] = {0xFF, 0x04, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                     0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr size_t kMemberHeaderSize = 9;
constexpr size_t kFunctionRecordSize = 0x16;
constexpr size_t kConstantRecordSize = 0x12;

// Member area of one module: function records with their parameter lists,
// type words and help streams, then the constant records likewise.
struct MemberArea {
    Bytes bytes;
    size_t functionBytes = 0;
    size_t constantBytes = 0;
};

inline void writeFunction(MemberArea &area, const Function &fn, uint32_t memid, bool last,
                          NameTable &names, const HelpDictionary &dict)
{
    if (fn.params.size() > 31) throw std::invalid_argument("too many parameters: " + fn.name);
    size_t base = area.bytes.size();
    size_t paramList = base + kFunctionRecordSize;
    size_t typeWords = paramList + 4 * fn.params.size();  // one word per parameter
    size_t help = typeWords + 2 * fn.params.size();
    std::vector<uint8_t> coded = dict.encode(fn.help);
    size_t next = help + coded.size();
    area.bytes.u8(0x8B);  // static function
    area.bytes.u8(0x12);  // INVOKE_FUNC
    area.bytes.u16(last ? 0xFFFF : next);
    area.bytes.u16(names.ref(fn.name));
    area.bytes.u32(memid);
    area.bytes.u16(0xFFFE);  // no help context
    area.bytes.u16(help);
    area.bytes.u16(fn.params.empty() ? 0xFFFF : paramList);
    area.bytes.u8(static_cast<uint8_t>(fn.params.size() << 3 | 4));  // stdcall
    area.bytes.u8(0x80);  // result type inline, no optional parameters
    area.bytes.u16(fn.result);
    area.bytes.u16(0);
    // Even name references with the types out of line read back the same in
    // every known reader, whatever the name's first character.
    for (size_t i = 0; i < fn.params.size(); ++i) {
        area.bytes.u16(names.ref(fn.params[i].name));
        area.bytes.u16(typeWords + 2 * i);
    }
    for (const Param &p : fn.params) area.bytes.u16(p.type);
    area.bytes.raw(coded);
}

inline void writeConstant(MemberArea &area, const Constant &c, uint32_t memid, bool last,
                          NameTable &names, const HelpDictionary &dict)
{
    size_t base = area.bytes.size();
    size_t value = base + kConstantRecordSize;
    size_t help = value + 4;
    std::vector<uint8_t> coded = dict.encode(c.help);
    area.bytes.u8(0x0A);
    area.bytes.u8(0x12);  // constant, type inline
    area.bytes.u16(last ? 0xFFFF : help + coded.size());
    area.bytes.u16(names.ref(c.name));
    area.bytes.u16(value);
    area.bytes.u16(vtI4);
    area.bytes.u32(memid);
    area.bytes.u16(0xFFFE);
    area.bytes.u16(help);
    area.bytes.u32(static_cast<uint32_t>(c.value));
    area.bytes.raw(coded);
}

inline MemberArea writeMembers(const Module &module, NameTable &names, const HelpDictionary &dict,
                               uint32_t &functionId, uint32_t &constantId)
{
    MemberArea area;
    for (size_t i = 0; i < module.functions.size(); ++i)
        writeFunction(area, module.functions[i], 0x60000000u + functionId++,
                      i + 1 == module.functions.size(), names, dict);
    area.functionBytes = area.bytes.size();
    for (size_t i = 0; i < module.constants.size(); ++i)
        writeConstant(area, module.constants[i], 0x40000000u + constantId++,
                      i + 1 == module.constants.size(), names, dict);
    area.constantBytes = area.bytes.size() - area.functionBytes;
    return area;
}

inline std::vector<uint8_t> typeInfoBlock(const Module &module, NameTable &names,
                                          const HelpDictionary &dict, uint32_t &functionId,
                                          uint32_t &constantId)
{
    MemberArea area = writeMembers(module, names, dict, functionId, constantId);
    Bytes b;
    b.u16(0x0501);
    b.u32(0xFFFFFFFF);  // no href table
    b.u32(0xFFFFFFFF);
    b.u32(0x22);  // member header follows this header
    b.u32(0xFFFFFFFF);
    b.u16(1);
    b.u16(0);
    b.u32(0xFFFE0000);
    b.u8(0x02);
    b.u8(0);
    b.u8(0x02);
    b.u8(2);  // TKIND_MODULE
    b.u32(0);
    b.u16(1);
    b.u16(0xFFFF);
    b.u8(1);
    b.u32(static_cast<uint32_t>(area.bytes.size()));
    b.raw(area.bytes.data());
    // Tail.
    bool hasFunctions = !module.functions.empty();
    bool hasConstants = !module.constants.empty();
    b.u16(module.functions.size());
    b.u16(module.constants.size());
    b.u16(0);
    b.u16(0);
    b.u16(hasFunctions ? 0 : 0xFFFF);
    b.u16(hasConstants ? area.functionBytes : 0xFFFF);
    b.u16(0xFFFF);
    b.u16(area.functionBytes);
    b.u16(area.constantBytes);
    b.u16(0);
    b.u16(0xFFFF);
    b.u16(0xFFFF);
    b.u16(0);
    b.u16(0);
    b.u16(0);
    b.u16(0);
    b.u16(0);  // cbSizeInstance
    b.u16(4);  // cbAlignment
    b.u16(0xFFFF);
    b.u16(0xFFFF);
    b.u16(0);  // cbSizeVft
    for (int i = 0; i < 4; ++i) b.u16(0xFFFF);
    b.u16(0);
    b.u16(0);
    return b.data();
}

inline std::string indexName(size_t i)
{
    std::string name(10, 'A');
    name[0] = static_cast<char>('B' + i);
    return name;
}

inline void plainString(Bytes &b, const std::string &s)
{
    b.u16(s.size());
    b.raw(s);
}

inline std::vector<uint8_t> libraryBlock(const Library &lib, NameTable &names,
                                         const HelpDictionary &dict)
{
    Bytes b;
    b.u16(0x51CC);
    b.u16(3);
    b.u16(names.ref(lib.name));
    b.u16(0xFFFF);
    plainString(b, lib.help);
    b.u16(0xFFFF);  // no help file
    b.u32(0);       // help context
    b.u16(lib.sysKind);
    b.u16(0);  // neutral locale
    b.u32(0);
    b.u16(0);  // library flags
    b.u16(lib.majorVersion);
    b.u16(lib.minorVersion);
    b.raw(std::vector<uint8_t>(lib.libid, lib.libid + 16));
    b.fill(0x40, 0xFF);
    b.u16(lib.modules.size());
    for (size_t i = 0; i < lib.modules.size(); ++i) {
        const Module &m = lib.modules[i];
        b.u16(10);
        b.raw(indexName(i));
        b.u16(0xFFFF);  // no second name
        b.u16(0xFFFF);
        b.u16(names.ref(m.name));
        std::vector<uint8_t> doc = dict.encode(m.help);
        b.u16(doc.size());
        b.raw(doc);
        b.u16(0xFFFF);
        b.u32(0);
        b.u16(0xFFFF);
        b.fill(16, 0);  // no GUID for a module
        b.u16(2);       // TKIND_MODULE
    }
    size_t nameTablePointer = b.size();
    b.u32(0);
    b.u16(dict.maxLength());
    b.u32(static_cast<uint32_t>(dict.tree().size()));
    b.raw(dict.tree());
    size_t nameTable = b.size();
    b.patch16(nameTablePointer, nameTable);
    for (uint16_t w : {0xFFFF, 0x0001, 0x0002, 0xFF00, 0xFFFF, 0xFFFF}) b.u16(w);
    b.fill(0x200, 0xFF);  // hash buckets, all empty
    b.u32(static_cast<uint32_t>(names.area().size()));
    b.raw(names.area());
    b.u32(0x01FFFF01);
    b.u32(0);
    return b.data();
}

inline std::vector<std::string> allHelpTexts(const Library &lib)
{
    std::vector<std::string> texts;
    for (const Module &m : lib.modules) {
        texts.push_back(m.help);
        for (const Function &f : m.functions) texts.push_back(f.help);
        for (const Constant &c : m.constants) texts.push_back(c.help);
    }
    return texts;
}

inline void trailer(Bytes &b)
{
    for (uint16_t w : {0x0001, 0xFFFE, 0x0A03, 0x0000, 0xFFFF, 0xFFFF}) b.u16(w);
    b.raw(std::vector<uint8_t>(kFormatGuid, kFormatGuid + 16));
    b.u32(8);
    b.raw(std::string("TYPELIB", 8));
    for (uint16_t w : {0xFFFF, 0xFFFF, 0x0200, 0, 0, 0}) b.u16(w);
    b.raw(std::vector<uint8_t>{0xF4, 0x39, 0xB2, 0x71});
    b.fill(12, 0);
}

// The whole file: header, block directory, index names, the type-info blocks
// in chain order, the library block last, then the trailer.
inline std::vector<uint8_t> write(const Library &lib)
{
    HelpDictionary dict(allHelpTexts(lib));
    NameTable names;
    std::vector<std::vector<uint8_t>> blocks;
    uint32_t functionId = 0;
    uint32_t constantId = 0;
    for (const Module &m : lib.modules)
        blocks.push_back(typeInfoBlock(m, names, dict, functionId, constantId));
    std::vector<uint8_t> library = libraryBlock(lib, names, dict);

    size_t count = lib.modules.size();
    Bytes b;
    b.raw("SLTG");
    b.u16(count + 2);
    b.u16(9);
    b.u16(13 + 11 * count);
    b.u16(1);
    b.raw(std::vector<uint8_t>(kFormatGuid, kFormatGuid + 16));
    b.u32(0x44);
    b.u32(0xFFFF0000);
    for (size_t i = 0; i < count; ++i) {
        b.u32(static_cast<uint32_t>(blocks[i].size()));
        b.u16(13 + 11 * i);
        b.u16(i + 2);
    }
    b.u32(static_cast<uint32_t>(library.size()));
    b.u16(9);  // "dir"
    b.u16(0);
    b.u8(1);
    b.raw(std::string("CompObj", 8));
    b.raw(std::string("dir", 4));
    for (size_t i = 0; i < count; ++i) b.raw(indexName(i) + std::string(1, '\0'));
    b.fill(9, 0);
    for (const std::vector<uint8_t> &block : blocks) b.raw(block);
    b.raw(library);
    trailer(b);
    return b.data();
}

}  // namespace sltg

#endif
