// Test support: a strict little XML reader (elements, quoted attributes, text, the five entities)
// that throws on anything malformed, and lookups of VTK data arrays.
#pragma once

#include <cctype>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace vetrix::testing {

struct XmlNode {
    std::string tag;
    std::map<std::string, std::string> attr;
    std::string text;  // character data of the element itself, entities resolved
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
        XmlReader r(s);
        r.skip_space();
        if (s.compare(r.p_, 5, "<?xml") == 0) {
            const std::size_t e = s.find("?>", r.p_);
            if (e == std::string::npos) r.fail("open prolog");
            r.p_ = e + 2;
        }
        r.skip_space();
        XmlNode root = r.element();
        r.skip_space();
        if (r.p_ != s.size()) r.fail("text after the root element");
        return root;
    }

private:
    explicit XmlReader(const std::string& s) : s_(s) {}
    [[noreturn]] void fail(const std::string& what) const {
        throw std::runtime_error("XML: " + what + " at offset " + std::to_string(p_));
    }
    void skip_space() {
        while (p_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[p_]))) ++p_;
    }
    std::string name() {
        const std::size_t b = p_;
        while (p_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[p_])) ||
                                  s_[p_] == '_' || s_[p_] == ':' || s_[p_] == '-'))
            ++p_;
        if (p_ == b) fail("name expected");
        return s_.substr(b, p_ - b);
    }
    // Character data up to the stop character, entities resolved; '<' and a bare '&' are faults.
    std::string chars(char stop) {
        std::string out;
        while (p_ < s_.size() && s_[p_] != stop) {
            const char c = s_[p_];
            if (c == '<' && stop != '<') fail("'<' in an attribute");
            if (c == '&') {
                static const std::map<std::string, char> entities{
                    {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
                const std::size_t e = s_.find(';', p_);
                if (e == std::string::npos || !entities.count(s_.substr(p_ + 1, e - p_ - 1)))
                    fail("bad entity");
                out += entities.at(s_.substr(p_ + 1, e - p_ - 1));
                p_ = e + 1;
            } else {
                out += c;
                ++p_;
            }
        }
        if (p_ == s_.size()) fail("unexpected end");
        return out;
    }
    XmlNode element() {
        if (s_[p_] != '<') fail("'<' expected");
        ++p_;
        XmlNode n;
        n.tag = name();
        for (;;) {
            skip_space();
            if (p_ >= s_.size()) fail("unexpected end in a tag");
            if (s_.compare(p_, 2, "/>") == 0) {
                p_ += 2;
                return n;
            }
            if (s_[p_] == '>') break;
            const std::string a = name();
            if (s_.compare(p_, 2, "=\"") != 0) fail("quoted attribute value expected");
            p_ += 2;
            if (!n.attr.emplace(a, chars('"')).second) fail("attribute repeated: " + a);
            ++p_;
        }
        ++p_;
        for (;;) {
            n.text += chars('<');
            if (s_.compare(p_, 2, "</") == 0) {
                p_ += 2;
                if (name() != n.tag) fail("end tag does not match <" + n.tag + ">");
                skip_space();
                if (p_ >= s_.size() || s_[p_] != '>') fail("'>' expected");
                ++p_;
                return n;
            }
            n.kids.push_back(element());
        }
    }

    const std::string& s_;
    std::size_t p_ = 0;
};

}  // namespace vetrix::testing
