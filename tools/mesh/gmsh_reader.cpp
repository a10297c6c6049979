// read_gmsh_file, parse_gmsh: line-by-line reader of Gmsh ASCII mesh files, formats 2.2 and 4.1,
// with the line of every fault in its message.
#include "gmsh_reader.hpp"

#include <charconv>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <unordered_map>
#include <utility>

#include "node_order.hpp"
#include "tools/common/message_text.hpp"

namespace vetrix::meshtool {

namespace {

using tools::printable;

std::vector<std::string_view> split(std::string_view line) {
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const std::size_t b = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > b) tokens.push_back(line.substr(b, i - b));
    }
    return tokens;
}

// A piece of the file in quotes for a message, shown as printable text and cut when long.
std::string quote(std::string_view s) {
    return "'" + printable(s, 60) + "'";
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

class Reader {
  public:
    Reader(const std::string& path, std::string_view text) : path_(path), text_(text) {}

    // The next line without its end (a '\r' before the '\n' is dropped); false at the end.
    bool next(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        std::size_t e = text_.find('\n', pos_);
        if (e == std::string_view::npos) e = text_.size();
        line = text_.substr(pos_, e - pos_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos_ = e + 1;
        ++line_no_;
        return true;
    }
    // The next line of section `section`; the end of the file there is a fault.
    std::string_view need(std::string_view section) {
        std::string_view line;
        if (!next(line)) fail("end of file inside " + std::string(section));
        return line;
    }
    // The next line split into tokens, at least n of them.
    std::vector<std::string_view> need_tokens(std::string_view section, std::size_t n,
                                              std::string_view what) {
        std::vector<std::string_view> t = split(need(section));
        if (t.size() < n)
            fail(std::string(what) + ": expected " + std::to_string(n) + " values, found " +
                 std::to_string(t.size()));
        return t;
    }
    // Checks that the next line closes the section.
    void close(std::string_view section) {
        const std::string end = "$End" + std::string(section.substr(1));
        std::string_view line = trim(need(section));
        if (line != end) fail("expected " + end + ", found " + quote(line));
    }

    [[noreturn]] void fail(const std::string& message) const { fail_at(line_no_, message); }
    [[noreturn]] void fail_at(int line, const std::string& message) const {
        throw MeshError(path_ + ":" + std::to_string(line) + ": " + printable(message, 1000));
    }

    long long integer(std::string_view tok) const {
        long long v = 0;
        const auto r = std::from_chars(tok.data(), tok.data() + tok.size(), v);
        if (r.ec != std::errc() || r.ptr != tok.data() + tok.size() || v < -2147483647 ||
            v > 2147483647)
            fail(quote(tok) + " is not an integer");
        return v;
    }
    // An integer that counts or numbers something: not negative.
    int count(std::string_view tok) const {
        const long long v = integer(tok);
        if (v < 0) fail(quote(tok) + " is negative");
        return static_cast<int>(v);
    }
    double number(std::string_view tok) const {
        double v = 0.0;
        const char* b = tok.data();
        if (!tok.empty() && tok.front() == '+') ++b;
        const auto r = std::from_chars(b, tok.data() + tok.size(), v);
        if (r.ec != std::errc() || r.ptr != tok.data() + tok.size())
            fail(quote(tok) + " is not a number");
        return v;
    }

    int line_no() const { return line_no_; }

  private:
    const std::string& path_;
    std::string_view text_;
    std::size_t pos_ = 0;
    int line_no_ = 0;
};

class Parser {
  public:
    Parser(const std::string& path, std::string_view text) : in_(path, text) { mesh_.path = path; }

    GmshMesh run() {
        std::string_view line;
        if (!in_.next(line)) in_.fail_at(1, "empty file, expected $MeshFormat");
        if (trim(line) != "$MeshFormat")
            in_.fail("expected $MeshFormat, found " + quote(trim(line)));
        mesh_format();
        while (in_.next(line)) {
            const std::string_view head = trim(line);
            if (head.empty()) continue;
            if (head.front() != '$') in_.fail("expected a section header, found " + quote(head));
            if (head == "$PhysicalNames")
                physical_names();
            else if (head == "$Entities" && v4_)
                entities();
            else if (head == "$PartitionedEntities")
                in_.fail("partitioned meshes are not supported");
            else if (head == "$Nodes")
                v4_ ? nodes4() : nodes2();
            else if (head == "$Elements")
                v4_ ? elements4() : elements2();
            else
                skip(head);
        }
        mesh_.last_line = in_.line_no();
        if (!have_nodes_) in_.fail_at(in_.line_no(), "no $Nodes section");
        if (!have_elements_) in_.fail_at(in_.line_no(), "no $Elements section");
        return std::move(mesh_);
    }

  private:
    void mesh_format() {
        const auto t = in_.need_tokens("$MeshFormat", 3, "$MeshFormat");
        const std::string version(t[0]);
        if (t[1] != "0") {
            if (t[1] == "1")
                in_.fail(
                    "binary mesh files are not supported; save the mesh as ASCII "
                    "(Mesh.Binary = 0)");
            in_.fail(quote(t[1]) + " is not a file type (0 for ASCII)");
        }
        if (version == "4.1")
            v4_ = true;
        else if (version == "2.2" || version == "2.1" || version == "2" || version == "2.0")
            v4_ = false;
        else
            in_.fail("MSH version " + printable(version, 60) +
                     " is not supported; save the mesh in format 4.1 or 2.2");
        mesh_.version = v4_ ? "4.1" : "2.2";
        in_.close("$MeshFormat");
    }

    void skip(std::string_view head) {
        const std::string end = "$End" + std::string(head.substr(1));
        std::string_view line;
        do line = in_.need(head);
        while (trim(line) != end);
    }

    void physical_names() {
        const int n = in_.count(in_.need_tokens("$PhysicalNames", 1, "$PhysicalNames")[0]);
        for (int i = 0; i < n; ++i) {
            const std::string_view line = in_.need("$PhysicalNames");
            const auto t = split(line);
            if (t.size() < 3)
                in_.fail("physical name: expected 3 values, found " + std::to_string(t.size()));
            PhysicalName p;
            p.key = {in_.count(t[0]), in_.count(t[1])};
            std::string_view name = trim(line.substr(t[2].data() - line.data()));
            if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
                name = name.substr(1, name.size() - 2);
            p.name = std::string(name);
            mesh_.names.push_back(std::move(p));
        }
        in_.close("$PhysicalNames");
    }

    // $Entities of format 4.1: the physical tags of every point, curve, surface and volume.
    void entities() {
        const auto h = in_.need_tokens("$Entities", 4, "$Entities header");
        int n[4];
        for (int d = 0; d < 4; ++d) n[d] = in_.count(h[static_cast<std::size_t>(d)]);
        for (int d = 0; d < 4; ++d) {
            const std::size_t at = d == 0 ? 4 : 7;  // after the tag and the box (or the point)
            for (int i = 0; i < n[d]; ++i) {
                const auto t = in_.need_tokens("$Entities", at + 1, "entity");
                const int tag = static_cast<int>(in_.integer(t[0]));
                for (std::size_t k = 1; k < at; ++k) in_.number(t[k]);
                const int nphys = in_.count(t[at]);
                if (t.size() < at + 1 + static_cast<std::size_t>(nphys))
                    in_.fail("entity: expected " + std::to_string(at + 1 + nphys) +
                             " values, found " + std::to_string(t.size()));
                std::vector<int> phys;
                for (int k = 0; k < nphys; ++k)
                    phys.push_back(
                        static_cast<int>(in_.integer(t[at + 1 + static_cast<std::size_t>(k)])));
                entity_physicals_[{d, tag}] = std::move(phys);
            }
        }
        have_entities_ = true;
        in_.close("$Entities");
    }

    void add_node(std::string_view tag_token, std::string_view x, std::string_view y,
                  std::string_view z) {
        const long long tag = in_.integer(tag_token);
        if (!node_index_.emplace(tag, mesh_.node_count() + 1).second)
            in_.fail("node " + std::to_string(tag) + " defined twice");
        const std::string_view xyz[3] = {x, y, z};
        for (int c = 0; c < 3; ++c) {
            const double v = in_.number(xyz[c]);
            if (!std::isfinite(v))
                in_.fail("node " + std::to_string(tag) + ": coordinate " + "xyz"[c] + " is " +
                         quote(xyz[c]) + ", not a finite number");
            mesh_.xyz.push_back(v);
        }
    }

    void nodes2() {
        const int n = in_.count(in_.need_tokens("$Nodes", 1, "$Nodes")[0]);
        for (int i = 0; i < n; ++i) {
            const auto t = in_.need_tokens("$Nodes", 4, "node");
            add_node(t[0], t[1], t[2], t[3]);
        }
        in_.close("$Nodes");
        have_nodes_ = true;
    }

    void nodes4() {
        const auto h = in_.need_tokens("$Nodes", 4, "$Nodes header");
        const int blocks = in_.count(h[0]);
        const int total = in_.count(h[1]);
        const int header_line = in_.line_no();
        for (int b = 0; b < blocks; ++b) {
            const auto bh = in_.need_tokens("$Nodes", 4, "node block header");
            const int n = in_.count(bh[3]);
            std::vector<std::pair<std::string_view, int>> tags;
            for (int i = 0; i < n; ++i) {
                const auto t = in_.need_tokens("$Nodes", 1, "node tag");
                tags.emplace_back(t[0], in_.line_no());
            }
            for (int i = 0; i < n; ++i) {
                const auto t = in_.need_tokens("$Nodes", 3, "node coordinates");
                add_node(tags[static_cast<std::size_t>(i)].first, t[0], t[1], t[2]);
            }
        }
        if (mesh_.node_count() != total)
            in_.fail_at(header_line, "$Nodes announces " + std::to_string(total) +
                                         " nodes, its blocks hold " +
                                         std::to_string(mesh_.node_count()));
        in_.close("$Nodes");
        have_nodes_ = true;
    }

    // Appends one element whose node tags are t[from ...]; kind and dimension already known.
    void add_element(int kind, int dim, const std::vector<std::string_view>& t, std::size_t from,
                     std::vector<int> physicals) {
        const GmshKind* k = gmsh_element_kind(kind);
        if (!k) in_.fail("unknown Gmsh element type " + std::to_string(kind));
        if (t.size() - from != static_cast<std::size_t>(k->nodes))
            in_.fail("element " + printable(t[0], 60) + ": a " + std::string(k->name) + " has " +
                     std::to_string(k->nodes) + " nodes, the line gives " +
                     std::to_string(t.size() - from));
        GmshElement e;
        e.kind = kind;
        e.dim = dim;
        e.line = in_.line_no();
        e.first = static_cast<int>(mesh_.nodes.size());
        e.count = k->nodes;
        e.physicals = std::move(physicals);
        for (std::size_t i = from; i < t.size(); ++i) {
            const long long tag = in_.integer(t[i]);
            const auto it = node_index_.find(tag);
            if (it == node_index_.end())
                in_.fail("element " + printable(t[0], 60) + " refers to node " +
                         std::to_string(tag) + ", which is not defined");
            mesh_.nodes.push_back(it->second);
        }
        mesh_.elements.push_back(std::move(e));
    }

    void elements2() {
        if (!have_nodes_) in_.fail("$Elements before $Nodes");
        const int n = in_.count(in_.need_tokens("$Elements", 1, "$Elements")[0]);
        for (int i = 0; i < n; ++i) {
            const auto t = in_.need_tokens("$Elements", 3, "element");
            const int kind = static_cast<int>(in_.integer(t[1]));
            const GmshKind* k = gmsh_element_kind(kind);
            if (!k) in_.fail("unknown Gmsh element type " + std::to_string(kind));
            const std::size_t ntags = static_cast<std::size_t>(in_.count(t[2]));
            if (t.size() < 3 + ntags)
                in_.fail("element " + printable(t[0], 60) + ": " + std::to_string(ntags) +
                         " tags announced, the line gives " + std::to_string(t.size() - 3));
            std::vector<int> physicals;
            if (ntags >= 1) {
                const int p = in_.count(t[3]);
                if (p != 0) physicals.push_back(p);
            }
            add_element(kind, k->dim, t, 3 + ntags, std::move(physicals));
        }
        in_.close("$Elements");
        have_elements_ = true;
    }

    void elements4() {
        if (!have_nodes_) in_.fail("$Elements before $Nodes");
        const auto h = in_.need_tokens("$Elements", 4, "$Elements header");
        const int blocks = in_.count(h[0]);
        const int total = in_.count(h[1]);
        const int header_line = in_.line_no();
        const std::size_t before = mesh_.elements.size();
        for (int b = 0; b < blocks; ++b) {
            const auto bh = in_.need_tokens("$Elements", 4, "element block header");
            const int dim = in_.count(bh[0]);
            const int entity = static_cast<int>(in_.integer(bh[1]));
            const int kind = static_cast<int>(in_.integer(bh[2]));
            const int n = in_.count(bh[3]);
            if (!gmsh_element_kind(kind))
                in_.fail("unknown Gmsh element type " + std::to_string(kind));
            std::vector<int> physicals;
            if (have_entities_) {
                const auto it = entity_physicals_.find({dim, entity});
                if (it == entity_physicals_.end())
                    in_.fail("entity " + std::to_string(dim) + "/" + std::to_string(entity) +
                             " is not declared in $Entities");
                physicals = it->second;
            }
            for (int i = 0; i < n; ++i)
                add_element(kind, dim, in_.need_tokens("$Elements", 1, "element"), 1, physicals);
        }
        const std::size_t read = mesh_.elements.size() - before;
        if (read != static_cast<std::size_t>(total))
            in_.fail_at(header_line, "$Elements announces " + std::to_string(total) +
                                         " elements, its blocks hold " + std::to_string(read));
        in_.close("$Elements");
        have_elements_ = true;
    }

    Reader in_;
    GmshMesh mesh_;
    bool v4_ = false;
    bool have_nodes_ = false;
    bool have_elements_ = false;
    bool have_entities_ = false;
    std::unordered_map<long long, int> node_index_;                     // node tag -> dense number
    std::map<std::pair<int, int>, std::vector<int>> entity_physicals_;  // (dim, tag) -> tags
};

}  // namespace

GmshMesh parse_gmsh(const std::string& path, std::string_view text) {
    return Parser(path, text).run();
}

GmshMesh read_gmsh_file(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw MeshError(path + ": cannot open the file");
    std::ostringstream s;
    s << f.rdbuf();
    return parse_gmsh(path, s.str());
}

}  // namespace vetrix::meshtool
