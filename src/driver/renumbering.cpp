// cathill, permutar, mesh_bandwidth: Cuthill-McKee node renumbering and the move of nodal data.
#include "driver/renumbering.hpp"

#include <algorithm>
#include <cmath>
#include <new>
#include <random>
#include <vector>

#include "common/array_helpers.hpp"
#include "io/memory_ledger.hpp"
#include "io/screen_text.hpp"

namespace vetrix {

namespace {

// Allocates a work store of n integers; a failed allocation ends the run through the ledger.
void allocate(std::vector<integer>& store, integer n) {
    try {
        store.assign(static_cast<std::size_t>(std::max(n, 1)), 0);
    } catch (const std::bad_alloc&) {
        error_alloc();
    }
}

// The node graph of the current numbering, built from the node-to-element lists.
// IAg: NodT + 1 pointers, IAg(1) = 1. JAg: IAg(NodT+1) - 1 neighbour numbers; node v's list holds
// every other node of v's elements once, in discovery order (v's elements in list order, the
// nodes of each element in incidence order). deg(v) = IAg(v+1) - IAg(v).
//
// Counting pass: IAg gets the pointers; returns the bandwidth, max |w - v| over the graph.
// mark(w) == v while w is already counted for v; mark is cleared here first.
integer count_graph(F1<const integer> IE, F1<const integer> JE, F1<const integer> node_el_ptr,
                    F1<const integer> node_el, F1<integer> IAg, F1<integer> mark, integer NodT) {
    integer band = 0;
    for (integer v = 1; v <= NodT; ++v) mark(v) = 0;
    for (integer v = 1; v <= NodT; ++v) {
        integer count = 0;
        mark(v) = v;  // a node is not its own neighbour
        for (integer k = node_el_ptr(v); k < node_el_ptr(v + 1); ++k) {
            const integer e = node_el(k);
            for (integer p = IE(e); p < IE(e + 1); ++p) {
                const integer w = JE(p);
                if (mark(w) == v) continue;
                mark(w) = v;
                ++count;
                band = std::max(band, w > v ? w - v : v - w);
            }
        }
        IAg(v) = count;
    }
    iearrange(IAg, NodT);
    return band;
}

// Filling pass: the same walk as the counting pass, storing the neighbours.
void fill_graph(F1<const integer> IE, F1<const integer> JE, F1<const integer> node_el_ptr,
                F1<const integer> node_el, F1<const integer> IAg, F1<integer> JAg, F1<integer> mark,
                integer NodT) {
    for (integer v = 1; v <= NodT; ++v) mark(v) = 0;
    for (integer v = 1; v <= NodT; ++v) {
        integer pos = IAg(v);
        mark(v) = v;
        for (integer k = node_el_ptr(v); k < node_el_ptr(v + 1); ++k) {
            const integer e = node_el(k);
            for (integer p = IE(e); p < IE(e + 1); ++p) {
                const integer w = JE(p);
                if (mark(w) == v) continue;
                mark(w) = v;
                JAg(pos) = w;
                ++pos;
            }
        }
    }
}

// Cuthill-McKee ordering from start node s of the graph (IAg, JAg). Returns New(v), the new
// number of node v; queue receives the nodes in their new order. bucket(d), d = 1..nb, holds
// the last neighbour of degree d met while scanning the node being expanded; it is all zero
// between expansions. nb must be at least the largest degree.
void cuthill_mckee(integer s, F1<const integer> IAg, F1<const integer> JAg, F1<integer> New,
                   F1<integer> queue, F1<integer> bucket, integer nb, integer NodT) {
    auto deg = [&](integer w) { return IAg(w + 1) - IAg(w); };
    for (integer v = 1; v <= NodT; ++v) New(v) = 0;
    for (integer d = 1; d <= nb; ++d) bucket(d) = 0;

    // 1 - the start node opens the queue with number 1
    queue(1) = s;
    New(s) = 1;
    integer next = 2;  // next free number, also the first free queue position
    auto append = [&](integer w) {
        queue(next) = w;
        New(w) = next;
        ++next;
    };

    // 2 - expand the queue; the neighbours of v come in increasing degree
    for (integer h = 1; h < next && next <= NodT; ++h) {
        const integer v = queue(h);
        integer m = 0;  // largest neighbour degree
        for (integer k = IAg(v); k < IAg(v + 1); ++k) {
            const integer w = JAg(k);
            bucket(deg(w)) = w;  // a later neighbour of the same degree replaces an earlier one
            m = std::max(m, deg(w));
        }
        for (integer d = 1; d <= m; ++d) {
            const integer c = bucket(d);
            if (c == 0) continue;
            if (New(c) == 0) append(c);
            for (integer k = IAg(v); k < IAg(v + 1); ++k) {
                const integer w = JAg(k);
                if (w != c && New(w) == 0 && deg(w) == d) append(w);
            }
            bucket(d) = 0;
        }
    }

    // 3 - nodes of other connected parts keep their relative order after the reached ones
    for (integer v = 1; v <= NodT && next <= NodT; ++v)
        if (New(v) == 0) append(v);
}

// Uniform number in [0, 1) from the generator restarted at its fixed seed: the same every call.
real start_draw() {
    std::mt19937 gen(renumbering_seed);
    return static_cast<real>(gen()) * 0x1p-32;
}

}  // namespace

void cathill(F1<const integer> IE, F1<integer> JE, F1<integer> node_el_ptr, F1<integer> node_el,
             F1<integer> NOlds, F1<integer> Nodos, integer NelT, integer NodT,
             integer iRenumbering) {
    for (integer i = 1; i <= NodT; ++i) {
        Nodos(i) = i;
        NOlds(i) = i;
    }
    if (iRenumbering < 1 || NodT < 1 || NelT < 1) return;
    const integer k = iRenumbering;
    const integer length_je = IE(NelT + 1) - 1;

    // 1 - work stores: degree buckets, graph pointers, new numbers, candidates
    std::vector<integer> NCON_Renum, IA_Renum, New_Renum, JA_Renum, candidates;
    say({"ALLOCATING NCON_Renum()"});
    allocate(NCON_Renum, NodT);
    say({"ALLOCATING IA_Renum(NodT+1)"});
    allocate(IA_Renum, NodT + 1);
    say({"ALLOCATING New_Renum(NodT)"});
    allocate(New_Renum, NodT);
    allocate(candidates, k);
    F1<integer> bucket(NCON_Renum), IAg(IA_Renum), New(New_Renum), cand(candidates);

    // Rebuilds the node-to-element lists and the graph pointers for the numbering now in JE;
    // returns its bandwidth. New serves as the marker.
    auto rebuild = [&]() {
        trascomp(IE, JE, node_el_ptr, node_el, NodT, NelT);
        return count_graph(IE, JE, node_el_ptr, node_el, IAg, New, NodT);
    };

    // 2 - the graph of the input numbering
    integer band = rebuild();
    const integer length_ja = IAg(NodT + 1) - 1;
    say({"ALLOCATING JA_Renum(", length_ja, ")"});
    allocate(JA_Renum, length_ja);
    F1<integer> JAg(JA_Renum);
    fill_graph(IE, JE, node_el_ptr, node_el, IAg, JAg, New, NodT);

    // 3 - initial bandwidth
    say();
    for (int r = 0; r < 3; ++r) say({"Initial BandWidth ", band});

    // 4 - candidate start nodes: from element (t-1)*step + 1 on, the first node of the first
    // element whose first node has neighbours; past the last element the search continues from
    // a drawn element, and past the last element again from element 1, so every element is
    // seen. linked_from(e) is that element for a search starting at e (0: none from e on).
    auto deg = [&](integer w) { return IAg(w + 1) - IAg(w); };
    std::vector<integer> linked_store;
    allocate(linked_store, NelT + 1);
    F1<integer> linked_from(linked_store);
    for (integer e = NelT; e >= 1; --e) {
        const bool has_nodes = IE(e + 1) > IE(e);  // an element without nodes has no first node
        const bool linked = has_nodes && deg(JE(IE(e))) > 0;
        linked_from(e) = linked ? e : linked_from(e + 1);
    }
    if (linked_from(1) == 0) {
        // No element has two distinct nodes: there is nothing to reorder.
        say(
            {"No node shares an element with another node: RENUMBERING skipped, input numbering "
             "kept"});
        say({"Renum End"});
        return;
    }
    const integer drawn =
        std::max<integer>(1, static_cast<integer>(std::lround(NelT * start_draw())));
    const integer step = NelT / k;
    for (integer t = 1; t <= k; ++t) {
        integer e = linked_from((t - 1) * step + 1);
        if (e == 0) e = linked_from(drawn);
        if (e == 0) e = linked_from(1);
        cand(t) = JE(IE(e));
    }
    say({"Selection of nodes for RENUMBERING"});
    {
        std::vector<FItem> items;
        items.reserve(static_cast<std::size_t>(k));
        for (integer t = 1; t <= k; ++t) items.emplace_back(cand(t));
        screen().line(free_line(items));
    }

    // 5 - the trials; the last one repeats the best start node
    integer best = 1;
    integer best_band = band;
    for (integer t = 1; t <= k + 1; ++t) {
        const integer s = t <= k ? cand(t) : cand(best);
        // no degree exceeds 2 * band (neighbours lie within band on either side) nor NodT - 1
        const integer nb = std::min(2 * band, NodT);
        cuthill_mckee(s, IAg, JAg, New, NOlds, bucket, nb, NodT);
        for (integer p = 1; p <= length_je; ++p) JE(p) = New(JE(p));
        for (integer c = 1; c <= k; ++c) cand(c) = New(cand(c));
        for (integer i = 1; i <= NodT; ++i) Nodos(i) = New(Nodos(i));  // compose

        band = rebuild();
        fill_graph(IE, JE, node_el_ptr, node_el, IAg, JAg, New, NodT);
        say();
        say({"BandWidth", t, band});
        if (band < best_band) {
            best = t;
            best_band = band;
        }
    }

    // 6 - the inverse permutation
    for (integer i = 1; i <= NodT; ++i) NOlds(Nodos(i)) = i;

    // 7 - the work stores go with this scope
    say({"Renum End"});
}

namespace {

// Moves the blocks of width entries of each node of a: the block of node i goes to the place of
// node Nodos(i). scratch holds NodT * width entries.
template <class T>
void move_nodal(F1<T> a, F1<const integer> Nodos, integer NodT, integer width,
                std::vector<T>& scratch) {
    F1<T> old(scratch);
    for (integer p = 1; p <= NodT * width; ++p) old(p) = a(p);
    for (integer i = 1; i <= NodT; ++i)
        for (integer c = 1; c <= width; ++c)
            a((Nodos(i) - 1) * width + c) = old((i - 1) * width + c);
}

}  // namespace

void permutar(F1<real> X, F1<integer> idoftype, F1<real> dirich, F1<real> sol0,
              F1<const integer> Nodos, integer NodT, integer NDof, integer NDim,
              integer NTimeLevels, integer NSubSteps) {
    if (NodT < 1) return;
    const integer NTotDof = NodT * NDof;
    std::vector<real> real_scratch(static_cast<std::size_t>(NodT) * std::max({NDof, NDim, 1}));
    std::vector<integer> int_scratch(static_cast<std::size_t>(std::max(NTotDof, 1)));

    for (integer s = 1; s <= NSubSteps; ++s) {
        const integer start = (s - 1) * NTotDof + 1;
        move_nodal(idoftype.section(start, NTotDof), Nodos, NodT, NDof, int_scratch);
        move_nodal(dirich.section(start, NTotDof), Nodos, NodT, NDof, real_scratch);
    }
    for (integer l = 1; l <= NTimeLevels; ++l)
        move_nodal(sol0.section((l - 1) * NTotDof + 1, NTotDof), Nodos, NodT, NDof, real_scratch);
    move_nodal(X, Nodos, NodT, NDim, real_scratch);
}

integer mesh_bandwidth(F1<const integer> IE, F1<const integer> JE, integer NelT) {
    // Within one element every pair of distinct nodes is linked: its spread is max - min.
    integer band = 0;
    for (integer e = 1; e <= NelT; ++e) {
        if (IE(e + 1) <= IE(e)) continue;
        integer lo = JE(IE(e)), hi = JE(IE(e));
        for (integer p = IE(e); p < IE(e + 1); ++p) {
            lo = std::min(lo, JE(p));
            hi = std::max(hi, JE(p));
        }
        band = std::max(band, hi - lo);
    }
    return band;
}

}  // namespace vetrix
