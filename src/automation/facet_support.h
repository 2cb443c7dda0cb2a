// Small helpers the facets share for their out parameters and index arguments. UI thread.
#pragma once

#include <QString>

#include "automation/com.h"

namespace qlt::automation {

// Hands `text` out as a new BSTR: E_POINTER for a null out pointer, E_OUTOFMEMORY when the string
// cannot be made.
HRESULT ReturnText(BSTR* out, const QString& text);
// A truth value in the VARIANT_BOOL form.
HRESULT ReturnBool(VARIANT_BOOL* out, bool value);
HRESULT ReturnLong(LONG* out, LONG value);
// Hands out `object` (a new reference the caller already holds) or null; E_POINTER for a null out
// pointer (the reference is released then).
HRESULT ReturnObject(IDispatch** out, IDispatch* object);
// Sets an object out pointer to null (when given) and returns `hr`: members that do not apply.
HRESULT ReturnNoObject(IDispatch** out, HRESULT hr);
// A collection index: the variant converted to a 4-byte integer; false when it does not convert.
bool IndexFromVariant(const VARIANT& index, int32_t& out);

}  // namespace qlt::automation
