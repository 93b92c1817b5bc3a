// The type library among the engine's resources, read back by the platform's
// loader: library name and help, the functions module against the .def file
// and the interface list, the constants module with every value.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include "../../tools/kalvoria_typelib.h"
#include "core/kalengine.h"

#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

std::wstring wide(const std::string &s)
{
    std::wstring w;
    for (unsigned char c : s)
        w += static_cast<wchar_t>(c);  // cp1252 agrees with Latin-1 for the text used here
    return w;
}

std::string narrow(const wchar_t *w)
{
    std::string s;
    for (; w && *w; ++w) s += static_cast<char>(*w < 0x100 ? *w : '?');
    return s;
}

struct DefExport {
    std::string name;
    int argumentBytes;
};

// Names of the .def file with their stdcall decoration (name@bytes).
std::vector<DefExport> defExports()
{
    std::ifstream in(KAL_DEF_FILE);
    std::vector<DefExport> out;
    std::string line;
    bool inExports = false;
    while (std::getline(in, line)) {
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == ';') continue;
        std::string word = line.substr(start, line.find_first_of(" \t\r;", start) - start);
        if (word == "EXPORTS") {
            inExports = true;
            continue;
        }
        size_t at = word.find('@');
        if (inExports && at != std::string::npos)
            out.push_back({word.substr(0, at), std::stoi(word.substr(at + 1))});
    }
    return out;
}

struct FunctionSeen {
    std::vector<std::string> params;
    std::vector<VARTYPE> types;  // base type of each parameter; VT_PTR adds 0x1000
    FUNCDESC desc;
};

VARTYPE flatType(const TYPEDESC &t)
{
    if (t.vt == VT_PTR && t.lptdesc) return static_cast<VARTYPE>(0x1000 | t.lptdesc->vt);
    return t.vt;
}

VARTYPE expectedType(const char *cType)
{
    uint16_t word = kalapi::typeWord(cType);
    return static_cast<VARTYPE>(((word & 0x0E00) == 0x0E00 ? 0x1000 : 0) | (word & 0x3F));
}

class TypeLibrary : public ::testing::Test {
   protected:
    static void SetUpTestSuite()
    {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(GetModuleHandleA("kalengine.dll"), path, MAX_PATH);
        HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, &library);
        ASSERT_EQ(hr, S_OK);
    }
    static void TearDownTestSuite()
    {
        if (library) library->Release();
        library = nullptr;
    }

    // Index of the type info with this name, or -1.
    static int typeIndex(const std::string &name)
    {
        for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
            BSTR n = nullptr;
            library->GetDocumentation(i, &n, nullptr, nullptr, nullptr);
            bool match = n && wide(name) == n;
            SysFreeString(n);
            if (match) return static_cast<int>(i);
        }
        return -1;
    }

    static std::vector<std::string> names(ITypeInfo *info, MEMBERID id)
    {
        BSTR list[kalapi::kMaxParams + 2] = {};
        UINT count = 0;
        info->GetNames(id, list, kalapi::kMaxParams + 2, &count);
        std::vector<std::string> out;
        for (UINT i = 0; i < count; ++i) {
            out.push_back(narrow(list[i]));
            SysFreeString(list[i]);
        }
        return out;
    }

    static ITypeLib *library;
};
ITypeLib *TypeLibrary::library = nullptr;

}  // namespace

TEST_F(TypeLibrary, NameAndHelpString)
{
    BSTR name = nullptr, doc = nullptr;
    ASSERT_EQ(library->GetDocumentation(-1, &name, &doc, nullptr, nullptr), S_OK);
    EXPECT_EQ(narrow(name), "Kalvoria");
    EXPECT_EQ(narrow(doc), "Kalvoria API");
    SysFreeString(name);
    SysFreeString(doc);
    EXPECT_EQ(library->GetTypeInfoCount(), 2u);
    TLIBATTR *attr = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attr), S_OK);
    EXPECT_EQ(attr->syskind, sizeof(void *) == 8 ? SYS_WIN64 : SYS_WIN32);
    EXPECT_EQ(attr->wMajorVerNum, 1);
    library->ReleaseTLibAttr(attr);
}

TEST_F(TypeLibrary, ModulesJoinTheirWordsWithANonBreakingSpace)
{
    EXPECT_EQ(typeIndex("Kalvoria\xA0"
                        "Functions"),
              0);
    EXPECT_EQ(typeIndex("Kalvoria\xA0"
                        "Constants"),
              1);
    for (UINT i = 0; i < 2; ++i) {
        TYPEKIND kind;
        ASSERT_EQ(library->GetTypeInfoType(i, &kind), S_OK);
        EXPECT_EQ(kind, TKIND_MODULE);
    }
}

TEST_F(TypeLibrary, FunctionsModuleHoldsTheInterfaceListAndEveryDefExport)
{
    int index = typeIndex(kalapi::kFunctionsModule);
    ASSERT_GE(index, 0);
    ITypeInfo *info = nullptr;
    ASSERT_EQ(library->GetTypeInfo(index, &info), S_OK);
    TYPEATTR *attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    std::map<std::string, FunctionSeen> seen;
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FUNCDESC *fd = nullptr;
        ASSERT_EQ(info->GetFuncDesc(i, &fd), S_OK);
        std::vector<std::string> n = names(info, fd->memid);
        ASSERT_FALSE(n.empty());
        FunctionSeen &f = seen[n[0]];
        f.params.assign(n.begin() + 1, n.end());
        f.desc = *fd;
        for (SHORT p = 0; p < fd->cParams; ++p)
            f.types.push_back(flatType(fd->lprgelemdescParam[p].tdesc));
        EXPECT_EQ(fd->funckind, FUNC_STATIC) << n[0];
        EXPECT_EQ(fd->callconv, CC_STDCALL) << n[0];
        info->ReleaseFuncDesc(fd);
    }
    info->ReleaseTypeAttr(attr);
    info->Release();

    // Every exported name is declared, with one parameter per 4 bytes of arguments.
    std::vector<DefExport> exports = defExports();
    ASSERT_FALSE(exports.empty());
    for (const DefExport &e : exports) {
        auto f = seen.find(e.name);
        ASSERT_NE(f, seen.end()) << e.name << " is exported but not in the type library";
        EXPECT_EQ(f->second.desc.cParams * 4, e.argumentBytes) << e.name;
    }
    // The library declares exactly the interface list, names and types included.
    EXPECT_EQ(seen.size(), std::size(kalapi::kFunctions));
    for (const kalapi::Function &f : kalapi::kFunctions) {
        auto s = seen.find(f.name);
        ASSERT_NE(s, seen.end()) << f.name;
        int count = kalapi::paramCount(f);
        ASSERT_EQ(s->second.desc.cParams, count) << f.name;
        ASSERT_EQ(s->second.params.size(), static_cast<size_t>(count)) << f.name;
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(s->second.params[i], f.params[i].name) << f.name;
            EXPECT_EQ(s->second.types[i], expectedType(f.params[i].type))
                << f.name << " " << f.params[i].name;
        }
        // Wine's reader reports every pointer result as a pointer to VT_I4,
        // whatever the pointee; a pointer result is checked as a pointer only.
        VARTYPE result = flatType(s->second.desc.elemdescFunc.tdesc);
        VARTYPE expected = expectedType(f.result);
        if (expected & 0x1000)
            EXPECT_TRUE(result & 0x1000) << f.name;
        else
            EXPECT_EQ(result, expected) << f.name;
    }
}

TEST_F(TypeLibrary, ConstantsModuleHoldsEveryConstantWithItsValue)
{
    int index = typeIndex(kalapi::kConstantsModule);
    ASSERT_GE(index, 0);
    ITypeInfo *info = nullptr;
    ASSERT_EQ(library->GetTypeInfo(index, &info), S_OK);
    TYPEATTR *attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    std::map<std::string, LONG> values;
    for (UINT i = 0; i < attr->cVars; ++i) {
        VARDESC *vd = nullptr;
        ASSERT_EQ(info->GetVarDesc(i, &vd), S_OK);
        std::vector<std::string> n = names(info, vd->memid);
        ASSERT_EQ(n.size(), 1u);
        EXPECT_EQ(vd->varkind, VAR_CONST) << n[0];
        ASSERT_NE(vd->lpvarValue, nullptr) << n[0];
        VARIANT v;
        VariantInit(&v);
        ASSERT_EQ(VariantChangeType(&v, vd->lpvarValue, 0, VT_I4), S_OK) << n[0];
        values[n[0]] = V_I4(&v);
        info->ReleaseVarDesc(vd);
    }
    info->ReleaseTypeAttr(attr);
    info->Release();
    EXPECT_EQ(values.size(), std::size(kalapi::kConstants));
    for (const kalapi::Constant &c : kalapi::kConstants) {
        auto v = values.find(c.name);
        ASSERT_NE(v, values.end()) << c.name;
        EXPECT_EQ(v->second, c.value) << c.name;
    }
    // Spot checks against the header itself.
    EXPECT_EQ(values["KAL_COMMAND"], KAL_COMMAND);
    EXPECT_EQ(values["KAL_RECT_HOTSPOT"], KAL_RECT_HOTSPOT);
    EXPECT_EQ(values["KAL_VALUE_SPEED"], KAL_VALUE_SPEED);
}
