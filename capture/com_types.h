#pragma once
// Result codes and the small value type that the capture code passes around, kept in the
// style of the phone's component-object interfaces the capture graph was written against.

#include <cstdint>
#include <string>

using HRESULT = std::int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);

inline bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline bool FAILED(HRESULT hr) { return hr < 0; }

enum VARTYPE : std::uint16_t { VT_EMPTY = 0, VT_I4 = 3, VT_BSTR = 8 };

// A tagged value: an empty slot, a 32-bit integer or a UTF-16 string.
struct VARIANT {
  VARTYPE vt = VT_EMPTY;
  std::int32_t lVal = 0;
  std::u16string bstrVal;
};

inline void VariantInit(VARIANT *v) { *v = VARIANT{}; }
inline HRESULT VariantCopy(VARIANT *dest, const VARIANT *src) {
  if (dest == nullptr || src == nullptr)
    return E_POINTER;
  *dest = *src;
  return S_OK;
}
inline void VariantClear(VARIANT *v) { *v = VARIANT{}; }
