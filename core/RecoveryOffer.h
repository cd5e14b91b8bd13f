#ifndef GLINTVIEW_RECOVERYOFFER_H
#define GLINTVIEW_RECOVERYOFFER_H

#include "zeph/zeph.h"

// What the context needs of the automatic recovery: the shared floor cannot
// know the dialog that implements it, so the shell installs one at start-up
// and the context owns it from then on.
class RecoveryOffer
{
public:
    virtual ~RecoveryOffer() = default;

    // GUI thread. Offered a failed SDK result; true when the camera answers
    // again (or there is nothing to recover on this link).
    virtual bool offerRecovery(ZephResult result) = 0;

    // A removal notification while this is true belongs to the recovery.
    virtual bool isRecoveryRunning() const = 0;
};

#endif
