// The one place where the core's values (CVariant, CSafeArray, QString) and the automation ABI's
// (VARIANT, SAFEARRAY, BSTR) meet: conversions both ways and the argument coercion the dispatch
// machinery applies for script-like callers. Plain functions; UI thread.
//
// Object references: a CVariant keeps only the identity of an object (no reference). Reading a
// VARIANT into a CVariant therefore takes no reference, and writing one out takes a new reference
// for the VARIANT, so the object must still be alive then (as it is while a call runs).
#pragma once

#include <QString>

#include "automation/com.h"

class CVariant;

// A new BSTR holding `text` (never null: an empty text is an allocated empty string); null only
// when memory runs out.
BSTR BstrFromText(const QString& text);
// The text of a BSTR (null is the empty string).
QString TextFromBstr(BSTR text);

// Writes `value` into `out`, which is overwritten without being cleared (pass an initialised or
// cleared variant). DISP_E_BADVARTYPE for types the ABI here does not carry, E_OUTOFMEMORY when an
// allocation fails; `out` is empty on failure.
HRESULT ValueToAbi(const CVariant& value, VARIANT* out);
// Reads `in` (by-reference variants are followed one level) into `out`. DISP_E_BADVARTYPE for
// types the core does not hold (decimal, records, unknown tags), E_INVALIDARG for malformed
// variants (a null array or reference pointer, more than four dimensions).
HRESULT ValueFromAbi(const VARIANT& in, CVariant& out);

// Coerces `in` to the type `vt` as a script caller expects (text to numbers in the user's locale,
// numbers to text, anything to a variant copy) into `out` (overwritten, owned by the caller).
// Handled targets: VT_VARIANT, VT_BSTR, VT_I2, VT_I4, VT_R8, VT_DATE, VT_BOOL, VT_DISPATCH,
// VT_UNKNOWN. DISP_E_TYPEMISMATCH when the value does not convert, DISP_E_OVERFLOW when a number
// does not fit, DISP_E_BADVARTYPE for another target.
HRESULT CoerceAbi(const VARIANT& in, VARTYPE vt, VARIANT* out);
