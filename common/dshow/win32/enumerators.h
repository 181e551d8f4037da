// IEnumPins over a filter's pins and IEnumMediaTypes over a pin's preferred types. Each holds
// a reference on its filter and is its own COM object.
#pragma once

#include "common/dshow/win32/dshow.h"

namespace tl::dshow {

class BaseFilter;
class BasePin;

HRESULT CreatePinEnumerator(BaseFilter& filter, IEnumPins** out);
HRESULT CreateMediaTypeEnumerator(BasePin& pin, IEnumMediaTypes** out);

}  // namespace tl::dshow
