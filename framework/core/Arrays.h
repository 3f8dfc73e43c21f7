// Growable arrays in the framework's style. When an array must grow and no growth step was set,
// it grows by an eighth of its size, at least 4 and at most 1024 elements at a time.
#pragma once

#include "framework/core/CString.h"
#include "framework/core/Types.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

class CObject {
public:
    virtual ~CObject() = default;
};

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject {
public:
    CArray() = default;

    int GetSize() const { return static_cast<int>(m_items.size()); }
    int GetCount() const { return GetSize(); }
    bool IsEmpty() const { return m_items.empty(); }
    int GetUpperBound() const { return GetSize() - 1; }
    // Elements for which room is held; grows by the rule above.
    int GetAllocatedSize() const { return static_cast<int>(m_allocated); }

    // newSize < 0 is taken as 0. growBy >= 0 replaces the growth step (0 = the default rule).
    void SetSize(int newSize, int growBy = -1)
    {
        if (growBy >= 0)
            m_growBy = growBy;
        std::size_t size = newSize > 0 ? static_cast<std::size_t>(newSize) : 0;
        if (size > m_allocated) {
            std::size_t grown = m_allocated + GrowStep();
            Reserve(std::max(size, grown));
        }
        m_items.resize(size);
        if (size == 0) {
            m_items.clear();
            m_items.shrink_to_fit();
            m_allocated = 0;
        }
    }
    void FreeExtra()
    {
        m_items.shrink_to_fit();
        m_allocated = m_items.size();
    }
    void RemoveAll() { SetSize(0); }

    const TYPE& GetAt(int index) const { return m_items.at(Index(index)); }
    void SetAt(int index, ARG_TYPE element) { m_items.at(Index(index)) = element; }
    TYPE& ElementAt(int index) { return m_items.at(Index(index)); }
    const TYPE& operator[](int index) const { return GetAt(index); }
    TYPE& operator[](int index) { return ElementAt(index); }
    const TYPE* GetData() const { return m_items.data(); }
    TYPE* GetData() { return m_items.data(); }

    void SetAtGrow(int index, ARG_TYPE element)
    {
        if (index < 0)
            return;
        if (index >= GetSize())
            SetSize(index + 1);
        m_items[static_cast<std::size_t>(index)] = element;
    }
    int Add(ARG_TYPE element)
    {
        int index = GetSize();
        SetAtGrow(index, element);
        return index;
    }
    int Append(const CArray& source)
    {
        int oldSize = GetSize();
        SetSize(oldSize + source.GetSize());
        std::copy(source.m_items.begin(), source.m_items.end(), m_items.begin() + oldSize);
        return oldSize;
    }
    void Copy(const CArray& source)
    {
        SetSize(source.GetSize());
        std::copy(source.m_items.begin(), source.m_items.end(), m_items.begin());
    }
    void InsertAt(int index, ARG_TYPE element, int count = 1)
    {
        if (index < 0 || count <= 0)
            return;
        TYPE value = element;
        int oldSize = GetSize();
        if (index >= oldSize) {
            SetSize(index + count);
        } else {
            SetSize(oldSize + count);
            std::move_backward(m_items.begin() + index, m_items.begin() + oldSize, m_items.begin() + oldSize + count);
        }
        std::fill(m_items.begin() + index, m_items.begin() + index + count, value);
    }
    void RemoveAt(int index, int count = 1)
    {
        if (index < 0 || count <= 0 || index >= GetSize())
            return;
        int last = std::min(GetSize(), index + count);
        m_items.erase(m_items.begin() + index, m_items.begin() + last);
    }

private:
    std::size_t Index(int index) const { return index < 0 ? m_items.size() : static_cast<std::size_t>(index); }
    std::size_t GrowStep() const
    {
        if (m_growBy > 0)
            return static_cast<std::size_t>(m_growBy);
        return std::clamp<std::size_t>(m_items.size() / 8, 4, 1024);
    }
    void Reserve(std::size_t count)
    {
        m_items.reserve(count);
        m_allocated = count;
    }

    std::vector<TYPE> m_items;
    std::size_t m_allocated = 0;
    int m_growBy = 0;
};

class CStringArray : public CArray<CString, const CString&> {
public:
    int Add(const char* text) { return CArray::Add(CString(text)); }
    int Add(const CString& text) { return CArray::Add(text); }
};

class CWordArray : public CArray<WORD, WORD> {};
class CDWordArray : public CArray<DWORD, DWORD> {};
class CByteArray : public CArray<BYTE, BYTE> {};
class CUIntArray : public CArray<UINT, UINT> {};

// Holds pointers it does not own, as the framework's CObArray does.
class CObArray : public CArray<CObject*, CObject*> {};
