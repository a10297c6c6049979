// Test support: a strict little XML reader (elements, quoted attributes, text, the five entities)
// that throws on anything malformed, and the numbers of a VTK data array.
#pragma once

#include <cctype>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace vetrix::testing {

struct XmlNode {
    std::string tag, text;  // text: the element's own character data, entities resolved
    std::map<std::string, std::string> attr;
    std::vector<XmlNode> kids;

    // Depth-first search for the first element with this tag (and Name attribute, if given).
    const XmlNode* find(const std::string& t, const std::string& name = "") const {
        if (tag == t && (name.empty() || (attr.count("Name") && attr.at("Name") == name)))
            return this;
        for (const XmlNode& k : kids)
            if (const XmlNode* f = k.find(t, name)) return f;
        return nullptr;
    }
    std::vector<double> numbers() const {
        std::istringstream is(text);
        std::vector<double> v;
        for (double x; is >> x;) v.push_back(x);
        if (!is.eof()) throw std::runtime_error("not a number in <" + tag + ">");
        return v;
    }
};

class XmlReader {
  public:
    static XmlNode parse(const std::string& s) {
        XmlReader r{s};
        if (s.starts_with("<?xml")) r.p_ = s.find("?>") + 2;  // npos + 2 fails below
        XmlNode root = r.element();
        r.space();
        if (r.p_ != s.size()) r.fail("text after the root element");
        return root;
    }

  private:
    explicit XmlReader(const std::string& s) : s_(s) {}
    [[noreturn]] void fail(const std::string& what) const {
        throw std::runtime_error("XML: " + what + " at offset " + std::to_string(p_));
    }
    char at() const { return p_ < s_.size() ? s_[p_] : (fail("unexpected end"), '\0'); }
    void space() {
        while (p_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[p_]))) ++p_;
    }
    std::string name() {
        const std::size_t b = p_;
        while (std::isalnum(static_cast<unsigned char>(at())) || at() == '_') ++p_;
        return p_ > b ? s_.substr(b, p_ - b) : (fail("name expected"), "");
    }
    // Character data up to the stop character; '<' inside an attribute and a bare '&' are faults.
    std::string chars(char stop) {
        static const std::map<std::string, char> entities{
            {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
        std::string out;
        for (char c; (c = at()) != stop; ++p_) {
            if (c == '<') fail("'<' in an attribute");
            if (c != '&') {
                out += c;
                continue;
            }
            const std::size_t e = s_.find(';', p_);
            const auto it = entities.find(s_.substr(p_ + 1, e - p_ - 1));
            if (e == std::string::npos || it == entities.end()) fail("bad entity");
            out += it->second;
            p_ = e;
        }
        return out;
    }
    XmlNode element() {
        space();
        if (at() != '<') fail("'<' expected");
        ++p_;
        XmlNode n;
        n.tag = name();
        for (space(); at() != '>'; space()) {
            if (s_.compare(p_, 2, "/>") == 0) return p_ += 2, n;
            const std::string a = name();
            if (s_.compare(p_, 2, "=\"") != 0) fail("quoted attribute value expected");
            p_ += 2;
            if (!n.attr.emplace(a, chars('"')).second) fail("attribute repeated: " + a);
            ++p_;
        }
        for (++p_;;) {
            for (; at() != '<'; ++p_) n.text += at() == '&' ? (fail("'&' in text"), ' ') : at();
            if (s_.compare(p_, 2, "</") != 0) {
                n.kids.push_back(element());
                continue;
            }
            p_ += 2;
            if (name() != n.tag || at() != '>') fail("end tag does not match <" + n.tag + ">");
            return ++p_, n;
        }
    }

    const std::string& s_;
    std::size_t p_ = 0;
};

}  // namespace vetrix::testing
