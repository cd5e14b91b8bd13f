#ifndef GLINTVIEW_RESULTTEXT_H
#define GLINTVIEW_RESULTTEXT_H

#include "zeph/zeph.h"

// The operator's sentence for an SDK result. Codes the table knows give a
// constant string; any other code gives "Error Code 0x%x" in a buffer of this
// thread, overwritten by that thread's next call for an unknown code, so
// callers use or copy the text at once. A background task and the GUI thread
// may both call it without trampling each other's text.
const char *ResultText(ZephResult result);

// True when the table has a fixed message for the code.
bool ResultTextKnown(ZephResult result);

#endif
