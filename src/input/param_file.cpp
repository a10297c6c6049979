// read_parameters, writepar: the parameter file.
#include "input/param_file.hpp"

#include <algorithm>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "common/process_state.hpp"
#include "common/array_helpers.hpp"
#include "common/replace_file.hpp"
#include "common/stops.hpp"
#include "input/deck_messages.hpp"
#include "io/format.hpp"
#include "io/screen_text.hpp"

namespace vetrix {

namespace {

constexpr std::string_view kParams = "Param.txt";

// One list kind: counts per group turned into pointers, then the values, doubled.
template <class T>
integer read_group_lists(DeckFile& f, std::string_view key, integer groups,
                         std::vector<integer>& pointers, std::vector<T>& values) {
    f.rewind();
    if (ifindstringinfile(key, f) != 0) stop_key_not_found(key);
    F1<integer> ptr(pointers);
    f.read({ptr.section(1, groups)});
    for (integer g = 1; g <= groups; ++g)
        if (ptr(g) < 0)
            reject_input(kParams, key,
                         "group " + std::to_string(g) + " has a negative count " +
                             std::to_string(ptr(g)));
    long long total = 0;
    for (integer g = 1; g <= groups; ++g) total += ptr(g);
    if (total > std::numeric_limits<integer>::max() / 2)
        reject_input(kParams, key, "the parameter count " + std::to_string(total) + " is too large");
    const integer length = iearrange(ptr, groups);
    check_supply(f, kParams, key, "the parameter count " + std::to_string(length), length);
    values.assign(static_cast<std::size_t>(std::max(1, 2 * length)), T{});
    if (length != 0) {
        F1<T> v(values);
        f.read({v.section(1, length)});
        for (integer i = 1; i <= length; ++i) v(length + i) = v(i);
    }
    warn_unread(f, kParams, key);
    return length;
}

// Appends integers ten per line, each right-aligned in 8 columns. A value too wide to leave a
// blank before it in 8 columns takes a blank and then as many columns as it needs, so that no
// two values run into each other and the file reads back.
void append_integer_rows(std::string& out, std::span<const FItem> items) {
    static const Layout eight_columns("(10I8)");
    const auto fits = [](const FItem& v) { return v.i >= -999999 && v.i <= 9999999; };
    if (std::all_of(items.begin(), items.end(), fits)) return eight_columns.append(out, items);
    std::string layout = "(";
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (k > 0) layout += k % 10 == 0 ? ",/," : ",";
        layout += fits(items[k]) ? "I8" : "1X,I0";
    }
    Layout(layout + ")").append(out, items);
}

}  // namespace

void read_parameters(DeckFile& f, RunInput& in) {
    f.rewind();
    if (ifindstringinfile("*Parameter Groups", f) != 0) stop_key_not_found("*Parameter Groups");
    f.read({in.NParamGroups});
    warn_unread(f, kParams, "*Parameter Groups");
    const integer groups = in.NParamGroups;
    // every group gives a count under each of the two list keywords
    check_supply(f, kParams, "*Parameter Groups", "NParamGroups " + std::to_string(groups),
                 2LL * groups, true);
    in.ie__param.assign(static_cast<std::size_t>(std::max(groups, 0)) + 1, 1);
    in.ie_jparam.assign(static_cast<std::size_t>(std::max(groups, 0)) + 1, 1);
    if (groups < 1) {
        if (groups < 0)
            reject_input(kParams, "*Parameter Groups",
                         "NParamGroups " + std::to_string(groups) + " is negative");
        in.param.assign(1, 0.0);
        in.jparam.assign(1, 0);
        lengthparam = 0;
        lengthjparam = 0;
        return;
    }
    lengthparam = read_group_lists(f, "*Real Parameters", groups, in.ie__param, in.param);
    lengthjparam = read_group_lists(f, "*Integer Parameters", groups, in.ie_jparam, in.jparam);
    // every element must name one of the groups
    for (integer e = 1; e <= in.NelT; ++e) {
        const integer g = in.iElementMat[e - 1];
        if (g < 1 || g > groups)
            reject_input("Mesh.txt", "*ELEMENT MAT",
                         "parameter group " + std::to_string(g) + " of element " +
                             std::to_string(e) + " is outside 1.." + std::to_string(groups));
    }
}

void writepar(integer NParamGroups, F1<const integer> ie__param, F1<const integer> ie_jparam,
              F1<const real> param, F1<const integer> jparam, integer ParamWriteSwitch) {
    if (ParamWriteSwitch == 0 || NParamGroups < 1) return;
    static const Layout reals_layout("(3E14.6)");
    std::string text;
    std::vector<FItem> items;
    auto counts = [&](F1<const integer> ptr) {
        items.clear();
        for (integer g = 1; g <= NParamGroups; ++g) items.emplace_back(ptr(g + 1) - ptr(g));
        append_integer_rows(text, items);
    };
    text += "*Parameter Groups\n";
    append_free_line(text, std::vector<FItem>{NParamGroups});
    text += "*Real Parameters\n";
    counts(ie__param);
    const integer nreal = ie__param(NParamGroups + 1) - 1;
    if (nreal != 0) {
        items.clear();
        for (integer i = 1; i <= nreal; ++i) items.emplace_back(param(i));
        reals_layout.append(text, items);
    }
    text += "*Integer Parameters\n";
    counts(ie_jparam);
    const integer nint = ie_jparam(NParamGroups + 1) - 1;
    if (nint != 0) {
        items.clear();
        for (integer i = 1; i <= nint; ++i) items.emplace_back(jparam(i));
        append_integer_rows(text, items);
    }
    // the file is the next run's input: it is replaced whole or left as it was
    std::string error;
    if (!replace_file(std::string(kParams), text, error))
        fail_runtime("cannot write Param.txt: " + error);
}

}  // namespace vetrix
