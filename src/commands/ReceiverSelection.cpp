// SPDX-License-Identifier: MIT
#include "commands/ReceiverSelection.h"

namespace rfbind::selection {

bool tableAccepts(const ReceiverIdTable& table, const HidAttributes& attributes) {
    if (!versionFits(attributes.version))
        return false;
    for (const ReceiverId& entry : table)
        if (entry.vendorId == attributes.vendorId && entry.productId == attributes.productId)
            return true;
    return false;
}

bool setFieldsAccept(int vendorId, int productId, const HidAttributes& attributes) {
    return vendorId == attributes.vendorId && productId == attributes.productId &&
           versionFits(attributes.version);
}

Verdict judge(const HidCaps& caps, const HidAttributes& attributes, const ReceiverIdTable& table,
              int setVendorId, int setProductId) {
    Verdict v;
    if (!capabilitiesFit(caps))
        return v;
    v.accepted = tableAccepts(table, attributes) ||
                 setFieldsAccept(setVendorId, setProductId, attributes);
    v.zoomKeys = v.accepted && enablesZoomKeys(attributes.productId);
    return v;
}

} // namespace rfbind::selection
