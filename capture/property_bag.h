#pragma once
// CPropertyBag: named values handed to the capture source when it opens; the graph build
// writes the camera's name under "VCapName". Reference counted, newest value first.

#include <atomic>
#include <cstdint>
#include <string>

#include "capture/com_types.h"

struct PropertyNode {
  VARIANT value;
  PropertyNode *next = nullptr;
  std::u16string name;
};

class CPropertyBag {
public:
  CPropertyBag() = default;
  CPropertyBag(const CPropertyBag &) = delete;
  CPropertyBag &operator=(const CPropertyBag &) = delete;

  // Both return the new count; Release deletes the bag when it reaches 0.
  std::int32_t AddRef();
  std::int32_t Release();

  // Copies the newest value written under name into *value; E_INVALIDARG (value untouched)
  // for a name never written. The error log is not used.
  HRESULT Read(const char16_t *name, VARIANT *value, void *errorLog);
  // Adds a value in front; an older value of the same name stays but is hidden.
  HRESULT Write(const char16_t *name, const VARIANT *value);

private:
  ~CPropertyBag();

  std::atomic<std::int32_t> m_refCount{1};
  PropertyNode *m_head = nullptr;
};
