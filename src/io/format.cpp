// Provisional formatter: placeholder until the full edit-descriptor engine lands.
#include "format.hpp"

#include <cstdio>

namespace vetrix {

std::string free_line(std::initializer_list<FItem> items) {
    return free_line(std::span<const FItem>(items.begin(), items.size()));
}

std::string free_line(std::span<const FItem> items) {
    std::string out = " ";
    bool prev_text = true;
    char buf[64];
    for (const FItem& it : items) {
        const bool text = it.kind == FItem::Kind::Text;
        if (!(text && prev_text) && &it != items.data()) out.push_back(' ');
        switch (it.kind) {
            case FItem::Kind::Text: out.append(it.s); break;
            case FItem::Kind::Int:
                std::snprintf(buf, sizeof buf, "%11lld", static_cast<long long>(it.i));
                out.append(buf);
                break;
            case FItem::Kind::Real:
                std::snprintf(buf, sizeof buf, "%25.16E", it.r);
                out.append(buf);
                break;
            case FItem::Kind::Logical: out.push_back(it.i ? 'T' : 'F'); break;
        }
        prev_text = text;
    }
    return out;
}

void append_free_line(std::string& out, std::span<const FItem> items) {
    out += free_line(items);
    out.push_back('\n');
}

struct Layout::Impl {
    std::string text;
};

Layout::Layout(std::string_view text) : impl_(std::make_unique<Impl>(Impl{std::string(text)})) {}
Layout::~Layout() = default;
Layout::Layout(Layout&&) noexcept = default;
Layout& Layout::operator=(Layout&&) noexcept = default;

std::string Layout::format(std::initializer_list<FItem> items) const {
    return format(std::span<const FItem>(items.begin(), items.size()));
}
std::string Layout::format(std::span<const FItem> items) const { return free_line(items); }
void Layout::append(std::string& out, std::span<const FItem> items) const {
    out += format(items);
    out.push_back('\n');
}
void Layout::append_reals(std::string& out, const double* values, std::size_t n) const {
    char buf[64];
    for (std::size_t k = 0; k < n; ++k) {
        std::snprintf(buf, sizeof buf, "%+17.8E", values[k]);
        out.append(buf);
    }
    out.push_back('\n');
}

std::string fmt(std::string_view layout, std::initializer_list<FItem> items) {
    return Layout(layout).format(items);
}

}  // namespace vetrix
