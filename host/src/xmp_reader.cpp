// The XMP reader: tags, attributes and text walked once with the prefix
// bindings in scope; every step checks the bytes left, nesting is bounded.
#include "kalhost/xmp_reader.h"

#include <cstdint>
#include <utility>

namespace kalhost {
namespace {

constexpr size_t kMaxDepth = 256;
constexpr size_t kMaxValue = 4096;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string trimmed(std::string_view s)
{
    size_t a = 0, b = s.size();
    while (a < b && isSpace(s[a])) ++a;
    while (b > a && isSpace(s[b - 1])) --b;
    return std::string(s.substr(a, b - a));
}

void appendUtf8(std::string &out, uint32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | c >> 6), out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | c >> 12), out += char(0x80 | (c >> 6 & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x110000) {
        out += char(0xF0 | c >> 18), out += char(0x80 | (c >> 12 & 0x3F));
        out += char(0x80 | (c >> 6 & 0x3F)), out += char(0x80 | (c & 0x3F));
    }
}

// Text with its entity and character references resolved (an unknown one
// is kept as written).
std::string unescaped(std::string_view s)
{
    std::string out;
    for (size_t i = 0; i < s.size() && out.size() < kMaxValue; ++i) {
        const size_t end = s[i] == '&' ? s.find(';', i) : std::string_view::npos;
        if (end == std::string_view::npos || end - i > 10) {
            out += s[i];
            continue;
        }
        const std::string_view name = s.substr(i + 1, end - i - 1);
        uint32_t code = 0;
        bool ok = true;
        if (name == "amp")
            code = '&';
        else if (name == "lt")
            code = '<';
        else if (name == "gt")
            code = '>';
        else if (name == "quot")
            code = '"';
        else if (name == "apos")
            code = '\'';
        else if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x';
            for (size_t k = hex ? 2 : 1; ok && k < name.size(); ++k) {
                const char c = name[k];
                const int digit = c >= '0' && c <= '9'          ? c - '0'
                                  : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                                  : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                                : -1;
                ok = digit >= 0;
                code = code * (hex ? 16 : 10) + uint32_t(digit);
            }
            ok = ok && name.size() > (hex ? 2u : 1u);
        } else {
            ok = false;
        }
        if (!ok) {
            out += s[i];
            continue;
        }
        appendUtf8(out, code);
        i = end;
    }
    return out;
}

struct Binding {
    std::string prefix;  // empty: the default namespace
    std::string uri;
};

struct Element {
    std::string prefix, local;
    size_t bindings;  // bindings in scope below this element
    bool inNs;        // a candidate property element
    bool hasChild = false;
    std::string text;
};

class Reader {
   public:
    Reader(std::string_view packet, std::string_view ns, std::string_view usualPrefix)
        : p_(packet), ns_(ns), usual_(usualPrefix)
    {
    }

    std::vector<XmpProperty> run()
    {
        while (at_ < p_.size()) {
            const size_t lt = p_.find('<', at_);
            text(p_.substr(at_, (lt == std::string_view::npos ? p_.size() : lt) - at_));
            if (lt == std::string_view::npos) break;
            at_ = lt;
            if (!tag()) break;
        }
        return std::move(found_);
    }

   private:
    void text(std::string_view t)
    {
        if (!open_.empty() && open_.back().inNs && open_.back().text.size() < kMaxValue)
            open_.back().text += unescaped(t);
    }

    // Skips to `close` after a construct's start; false when it never ends.
    bool skipTo(std::string_view close)
    {
        const size_t end = p_.find(close, at_);
        if (end == std::string_view::npos) return false;
        at_ = end + close.size();
        return true;
    }

    bool tag()
    {
        const std::string_view rest = p_.substr(at_);
        if (rest.substr(0, 4) == "<!--") return skipTo("-->");
        if (rest.substr(0, 2) == "<?") return skipTo("?>");
        if (rest.substr(0, 9) == "<![CDATA[") {
            const size_t end = p_.find("]]>", at_ + 9);
            if (end == std::string_view::npos) return false;
            if (!open_.empty() && open_.back().inNs && open_.back().text.size() < kMaxValue)
                open_.back().text += p_.substr(at_ + 9, end - at_ - 9);
            at_ = end + 3;
            return true;
        }
        if (rest.substr(0, 2) == "<!") return skipTo(">");
        if (rest.substr(0, 2) == "</") return endTag();
        return startTag();
    }

    std::string_view name()
    {
        const size_t start = at_;
        while (at_ < p_.size() && !isSpace(p_[at_]) && p_[at_] != '>' && p_[at_] != '/' &&
               p_[at_] != '=' && p_[at_] != '<')
            ++at_;
        return p_.substr(start, at_ - start);
    }

    void skipSpace()
    {
        while (at_ < p_.size() && isSpace(p_[at_])) ++at_;
    }

    static std::pair<std::string_view, std::string_view> split(std::string_view qname)
    {
        const size_t colon = qname.find(':');
        if (colon == std::string_view::npos) return {{}, qname};
        return {qname.substr(0, colon), qname.substr(colon + 1)};
    }

    // Whether `prefix` names the wanted namespace; for elements an empty
    // prefix means the default namespace, for attributes none.
    bool inNs(std::string_view prefix, bool element) const
    {
        if (prefix.empty() && !element) return false;
        for (size_t k = bindings_.size(); k-- > 0;)
            if (bindings_[k].prefix == prefix) return bindings_[k].uri == ns_;
        return !prefix.empty() && prefix == usual_;
    }

    bool startTag()
    {
        ++at_;
        const std::string_view qname = name();
        if (qname.empty() || open_.size() >= kMaxDepth) return false;
        std::vector<std::pair<std::string_view, std::string>> attributes;
        const size_t outer = bindings_.size();
        bool empty = false;
        for (;;) {
            skipSpace();
            if (at_ >= p_.size()) return false;
            if (p_[at_] == '>') {
                ++at_;
                break;
            }
            if (p_.substr(at_, 2) == "/>") {
                at_ += 2;
                empty = true;
                break;
            }
            const std::string_view attr = name();
            skipSpace();
            if (attr.empty() || at_ >= p_.size() || p_[at_] != '=') return false;
            ++at_;
            skipSpace();
            if (at_ >= p_.size() || (p_[at_] != '"' && p_[at_] != '\'')) return false;
            const size_t end = p_.find(p_[at_], at_ + 1);
            if (end == std::string_view::npos) return false;
            std::string value = unescaped(p_.substr(at_ + 1, end - at_ - 1));
            at_ = end + 1;
            if (attr == "xmlns")
                bindings_.push_back({"", std::move(value)});
            else if (attr.substr(0, 6) == "xmlns:")
                bindings_.push_back({std::string(attr.substr(6)), std::move(value)});
            else
                attributes.emplace_back(attr, std::move(value));
        }
        // Declarations on a tag count for its own attributes too.
        for (auto &[attr, value] : attributes) {
            const auto [prefix, local] = split(attr);
            if (inNs(prefix, false)) found_.push_back({std::string(local), trimmed(value)});
        }
        if (!open_.empty()) open_.back().hasChild = true;
        const auto [prefix, local] = split(qname);
        Element e{std::string(prefix), std::string(local), outer, inNs(prefix, true), false, {}};
        if (empty) {
            bindings_.resize(outer);
            if (e.inNs) found_.push_back({e.local, ""});
            return true;
        }
        open_.push_back(std::move(e));
        return true;
    }

    bool endTag()
    {
        at_ += 2;
        name();
        if (!skipTo(">") || open_.empty()) return false;
        Element e = std::move(open_.back());
        open_.pop_back();
        bindings_.resize(e.bindings);
        if (e.inNs && !e.hasChild) found_.push_back({e.local, trimmed(e.text)});
        return true;
    }

    std::string_view p_, ns_, usual_;
    size_t at_ = 0;
    std::vector<Binding> bindings_;
    std::vector<Element> open_;
    std::vector<XmpProperty> found_;
};

}  // namespace

std::vector<XmpProperty> readXmpProperties(std::string_view packet, std::string_view ns,
                                           std::string_view usualPrefix)
{
    return Reader(packet, ns, usualPrefix).run();
}

}  // namespace kalhost
