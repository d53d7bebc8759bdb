#include <stdlib.h>
#include <string.h>

#include "zvclass.h"
#include "zvclass_internal.h"

namespace {

struct Node {
    Node* next;
    char name[1];
};

typedef Node* Buckets[256];

Buckets* NewBuckets() { return (Buckets*)calloc(1, sizeof(Buckets)); }

void FreeChains(Buckets* buckets) {
    if (!buckets) return;
    for (Node* head : *buckets) {
        while (head) {
            Node* next = head->next;
            free(head);
            head = next;
        }
    }
    free(buckets);
}

Node* NewNode(const char* name) {
    size_t length = strlen(name);
    Node* node = (Node*)malloc(sizeof(Node*) + length + 8);
    if (!node) return nullptr;
    node->next = nullptr;
    memcpy(node->name, name, length + 1);
    return node;
}

// Deep copy with node order kept, so every name keeps its number; null when out of memory.
Buckets* CopyBuckets(const Buckets* source) {
    Buckets* copy = NewBuckets();
    if (!copy) return nullptr;
    for (int b = 0; b < 256; ++b) {
        Node** tail = &(*copy)[b];
        for (const Node* n = (*source)[b]; n; n = n->next) {
            Node* node = NewNode(n->name);
            if (!node) {
                FreeChains(copy);
                return nullptr;
            }
            *tail = node;
            tail = &node->next;
        }
    }
    return copy;
}

unsigned Bucket(const char* name) {
    unsigned h = 0x1234;
    for (const unsigned char* p = (const unsigned char*)name; *p; ++p) {
        h = ((h >> 1) | (h << 15)) & 0xFFFF;
        h ^= (unsigned)(unsigned short)(short)(signed char)*p;
    }
    return (h & 0xFF) ^ (h >> 8);
}

}  // namespace

zvCHash::zvCHash() : m_internal(NewBuckets()) {
    if (!m_internal) zvclassReportError(kMsgHashMemory);
}

zvCHash::zvCHash(const zvCHash& other) : m_internal(nullptr) {
    if (other.m_internal) m_internal = CopyBuckets((const Buckets*)other.m_internal);
    if (!m_internal) zvclassReportError(kMsgHashMemory);
}

zvCHash& zvCHash::operator=(const zvCHash& other) {
    if (this == &other) return *this;
    Buckets* copy = other.m_internal ? CopyBuckets((const Buckets*)other.m_internal) : nullptr;
    FreeChains((Buckets*)m_internal);
    m_internal = copy;
    if (!copy) zvclassReportError(kMsgHashMemory);
    return *this;
}

zvCHash::~zvCHash() { FreeChains((Buckets*)m_internal); }

int zvCHash::GetHash(const char* name) {
    if (!m_internal || !name) return -1;
    unsigned b = Bucket(name);
    int number = (int)b;
    Node** link = &(*(Buckets*)m_internal)[b];
    for (; *link; link = &(*link)->next, number += 256) {
        if (strcmp((*link)->name, name) == 0) return number;
    }
    Node* node = NewNode(name);
    if (!node) {
        zvclassReportError(kMsgHashMemory);
        return -1;
    }
    *link = node;
    return number;
}
