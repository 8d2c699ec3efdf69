#include "capture/property_bag.h"

#include <new>

std::int32_t CPropertyBag::AddRef() { return ++m_refCount; }

std::int32_t CPropertyBag::Release() {
  std::int32_t count = --m_refCount;
  if (count == 0)
    delete this;
  return count;
}

HRESULT CPropertyBag::Read(const char16_t *name, VARIANT *value, void *) {
  if (name == nullptr || value == nullptr)
    return E_POINTER;
  for (PropertyNode *node = m_head; node != nullptr; node = node->next) {
    if (node->name == name)
      return VariantCopy(value, &node->value);
  }
  return E_INVALIDARG;
}

HRESULT CPropertyBag::Write(const char16_t *name, const VARIANT *value) {
  if (name == nullptr || value == nullptr)
    return E_POINTER;
  PropertyNode *node = new (std::nothrow) PropertyNode;
  if (node == nullptr)
    return E_OUTOFMEMORY;
  VariantInit(&node->value);
  node->name = name;
  node->next = m_head;
  m_head = node;
  return VariantCopy(&node->value, value);
}

CPropertyBag::~CPropertyBag() {
  while (m_head != nullptr) {
    PropertyNode *node = m_head;
    m_head = node->next;
    VariantClear(&node->value);
    delete node;
  }
}
