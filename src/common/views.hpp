// F1 and F2: non-owning 1-based views over contiguous storage, so index formulas read as written.
#pragma once

#include <cassert>
#include <cstddef>
#include <type_traits>
#include <vector>

namespace vetrix {

// Bounds checks are on in debug builds and vanish in release builds.
#ifdef NDEBUG
#define VETRIX_ASSERT(cond) ((void)0)
#else
#define VETRIX_ASSERT(cond) assert(cond)
#endif

// F1<T>: A(i) reaches element i, i = 1..size(). A.section(p, len) is the view that starts at
// 1-based position p (the sub-array that begins at A(p)). Storage stays in a std::vector or any
// other contiguous block; the view never owns it.
template <class T>
class F1 {
public:
    using value_type = T;
    F1() = default;
    F1(T* first, std::ptrdiff_t n) : p_(first), n_(n) {}
    template <class U, class = std::enable_if_t<std::is_same_v<std::remove_const_t<T>, U>>>
    F1(std::vector<U>& v) : p_(v.data()), n_(static_cast<std::ptrdiff_t>(v.size())) {}
    template <class U, class = std::enable_if_t<std::is_const_v<T> &&
                                               std::is_same_v<std::remove_const_t<T>, U>>>
    F1(const std::vector<U>& v) : p_(v.data()), n_(static_cast<std::ptrdiff_t>(v.size())) {}
    // A view of mutable data converts to a read-only view.
    template <class U, class = std::enable_if_t<std::is_const_v<T> &&
                                               std::is_same_v<std::remove_const_t<T>, U>>>
    F1(const F1<U>& o) : p_(o.data()), n_(o.size()) {}

    T& operator()(std::ptrdiff_t i) const {
        VETRIX_ASSERT(i >= 1 && i <= n_);
        return p_[i - 1];
    }
    // View of len entries starting at 1-based position p; p = size() + 1 with len 0 is allowed.
    F1 section(std::ptrdiff_t p, std::ptrdiff_t len) const {
        VETRIX_ASSERT(p >= 1 && len >= 0 && p - 1 + len <= n_);
        return F1(p_ + (p - 1), len);
    }
    // View from 1-based position p to the end.
    F1 section(std::ptrdiff_t p) const {
        VETRIX_ASSERT(p >= 1 && p <= n_ + 1);
        return F1(p_ + (p - 1), n_ - (p - 1));
    }
    T* data() const { return p_; }
    std::ptrdiff_t size() const { return n_; }
    T* begin() const { return p_; }
    T* end() const { return p_ + n_; }

private:
    T* p_ = nullptr;
    std::ptrdiff_t n_ = 0;
};

template <class U>
F1(std::vector<U>&) -> F1<U>;
template <class U>
F1(const std::vector<U>&) -> F1<const U>;

// F2<T>: A(i, j) with leading dimension ld, the first index running fastest:
// A(i, j) lies at 1-based position (j - 1) * ld + i of the underlying block.
template <class T>
class F2 {
public:
    F2() = default;
    F2(T* first, std::ptrdiff_t ld, std::ptrdiff_t ncols) : p_(first), ld_(ld), nc_(ncols) {}
    T& operator()(std::ptrdiff_t i, std::ptrdiff_t j) const {
        VETRIX_ASSERT(i >= 1 && i <= ld_ && j >= 1 && j <= nc_);
        return p_[(j - 1) * ld_ + (i - 1)];
    }
    std::ptrdiff_t ld() const { return ld_; }
    std::ptrdiff_t cols() const { return nc_; }
    T* data() const { return p_; }

private:
    T* p_ = nullptr;
    std::ptrdiff_t ld_ = 0;
    std::ptrdiff_t nc_ = 0;
};

}  // namespace vetrix
