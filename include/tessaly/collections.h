#pragma once
// Growable arrays with the framework's array members. Out-parameters of the interface.
#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <vector>

#include <tessaly/cstring.h>

namespace tessaly::detail {
// Arrays of 2 MiB and more sit on transparent huge pages: a whole file read into a
// CByteArray otherwise spends most of its time faulting in 4 KiB pages one by one.
template <typename T> struct ArrayAllocator {
    using value_type = T;
    static constexpr size_t kHugePage = size_t{2} << 20;
    ArrayAllocator() = default;
    template <typename U> ArrayAllocator(const ArrayAllocator<U>&) {}
    T* allocate(size_t count) {
        const size_t bytes = count * sizeof(T);
        if (bytes < kHugePage) return std::allocator<T>{}.allocate(count);
        const size_t rounded = (bytes + kHugePage - 1) & ~(kHugePage - 1);
        void* block = std::aligned_alloc(kHugePage, rounded);
        if (!block) throw std::bad_alloc();
        madvise(block, rounded, MADV_HUGEPAGE);
        return static_cast<T*>(block);
    }
    void deallocate(T* block, size_t count) {
        if (count * sizeof(T) < kHugePage)
            std::allocator<T>{}.deallocate(block, count);
        else
            std::free(block);
    }
    template <typename U> bool operator==(const ArrayAllocator<U>&) const { return true; }
};
} // namespace tessaly::detail

template <typename T, typename ARG = const T&> class CArray {
  public:
    int GetSize() const { return static_cast<int>(items_.size()); }
    int GetCount() const { return GetSize(); }
    int GetUpperBound() const { return GetSize() - 1; }
    bool IsEmpty() const { return items_.empty(); }
    void SetSize(int size, int = -1) { items_.resize(size > 0 ? size : 0); }
    void RemoveAll() { items_.clear(); }
    const T& GetAt(int index) const { return items_.at(checked(index)); }
    T& GetAt(int index) { return items_.at(checked(index)); }
    T& ElementAt(int index) { return items_.at(checked(index)); }
    void SetAt(int index, ARG value) { items_.at(checked(index)) = value; }
    void SetAtGrow(int index, ARG value) {
        if (index >= GetSize()) SetSize(index + 1);
        items_.at(checked(index)) = value;
    }
    const T& operator[](int index) const { return GetAt(index); }
    T& operator[](int index) { return GetAt(index); }
    T* GetData() { return items_.data(); }
    const T* GetData() const { return items_.data(); }
    int Add(ARG value) {
        items_.push_back(value);
        return GetUpperBound();
    }
    int Append(const CArray& other) {
        int first = GetSize();
        items_.insert(items_.end(), other.items_.begin(), other.items_.end());
        return first;
    }
    void Copy(const CArray& other) { items_ = other.items_; }
    void InsertAt(int index, ARG value, int count = 1) {
        if (index > GetSize()) SetSize(index);
        items_.insert(items_.begin() + checked(index), count > 0 ? count : 0, value);
    }
    void RemoveAt(int index, int count = 1) {
        size_t first = checked(index);
        size_t last = std::min(items_.size(), first + static_cast<size_t>(count > 0 ? count : 0));
        items_.erase(items_.begin() + first, items_.begin() + last);
    }
    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

  private:
    static size_t checked(int index) {
        if (index < 0) throw std::out_of_range("negative array index");
        return static_cast<size_t>(index);
    }
    std::vector<T, tessaly::detail::ArrayAllocator<T>> items_;
};

class CStringArray : public CArray<CString> {};
class CByteArray : public CArray<BYTE, BYTE> {};
class CUIntArray : public CArray<UINT, UINT> {};
class CDWordArray : public CArray<DWORD, DWORD> {};
