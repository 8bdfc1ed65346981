// Values of the extension's COM identifiers (korvane_ids.cmake, through the generated korvane_guids.h).
#include "korvane_ids.h"

#include "korvane_guids.h"

const CLSID CLSID_ContextMenuCls = KORVANE_CLSID_INIT;
const IID IID_IContextMenuCls = KORVANE_IID_INIT;
const GUID LIBID_KORVANELib = KORVANE_LIBID_INIT;
