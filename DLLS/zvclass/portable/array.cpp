#include <stdlib.h>
#include <string.h>

#include "zvclass.h"
#include "zvclass_internal.h"

namespace {

struct Storage {
    int elementSize;
    BYTE* elements;
};

BYTE g_dummyByte;

Storage* NewStorage(int elementSize) {
    Storage* s = (Storage*)malloc(sizeof(Storage));
    if (!s) return nullptr;
    s->elementSize = elementSize > 0 ? elementSize : 1;
    s->elements = nullptr;
    return s;
}

// Bytes for count elements, or 0 when the product does not fit.
size_t ByteCount(int elementSize, int count) {
    if (count <= 0 || elementSize <= 0) return 0;
    unsigned long long bytes = (unsigned long long)elementSize * (unsigned long long)count;
    return bytes > 0x7FFFFFFFull ? 0 : (size_t)bytes;
}

}  // namespace

zvCArray::zvCArray() : zvCArray(1) {}

zvCArray::zvCArray(int elementSize) : m_internal(NewStorage(elementSize)), m_entries(0) {
    if (!m_internal) zvclassReportError(kMsgArrayMemory);
}

zvCArray::zvCArray(const zvCArray& other) : m_internal(nullptr), m_entries(0) {
    const Storage* source = (const Storage*)other.m_internal;
    Storage* s = NewStorage(1);
    if (!s) {
        zvclassReportError(kMsgArrayMemory);
        return;
    }
    m_internal = s;
    size_t bytes = source ? ByteCount(source->elementSize, other.m_entries) : 0;
    if (!source || !source->elements || bytes == 0) return;
    BYTE* copy = (BYTE*)malloc(bytes);
    if (!copy) return;
    memcpy(copy, source->elements, bytes);
    s->elementSize = source->elementSize;
    s->elements = copy;
    m_entries = other.m_entries;
}

zvCArray& zvCArray::operator=(const zvCArray& other) {
    Storage* target = (Storage*)m_internal;
    const Storage* source = (const Storage*)other.m_internal;
    if (this == &other || !target || !source || !source->elements) return *this;
    size_t bytes = ByteCount(source->elementSize, other.m_entries);
    if (bytes == 0) return *this;
    BYTE* resized = (BYTE*)realloc(target->elements, bytes);
    if (!resized) return *this;
    memcpy(resized, source->elements, bytes);
    target->elements = resized;
    target->elementSize = source->elementSize;
    m_entries = other.m_entries;
    return *this;
}

zvCArray::~zvCArray() {
    Storage* s = (Storage*)m_internal;
    if (!s) return;
    free(s->elements);
    free(s);
}

int zvCArray::ExpandEntries(int count) {
    Storage* s = (Storage*)m_internal;
    if (!s || count < 0) return m_entries;
    if (count == 0) {
        free(s->elements);
        s->elements = nullptr;
        m_entries = 0;
        return 0;
    }
    size_t bytes = ByteCount(s->elementSize, count);
    if (bytes == 0) return m_entries;
    BYTE* resized = (BYTE*)realloc(s->elements, bytes);
    if (!resized) return m_entries;
    size_t old = ByteCount(s->elementSize, m_entries);
    if (bytes > old) memset(resized + old, 0, bytes - old);
    s->elements = resized;
    m_entries = count;
    return m_entries;
}

BYTE& zvCArray::operator[](int index) {
    Storage* s = (Storage*)m_internal;
    if (!s) return g_dummyByte;
    if (index < 0 || index >= m_entries || !s->elements) {
        zvclassReportError(kMsgArrayIndex);
        g_dummyByte = 0;
        return g_dummyByte;
    }
    return s->elements[(size_t)index * (size_t)s->elementSize];
}

const BYTE& zvCArray::operator[](int index) const { return const_cast<zvCArray&>(*this)[index]; }

int zvCArray::GetEntries() const { return m_entries; }
