#include "messaging/recv/MessageEntry.h"

#include "messaging/store/MsgStore.h"

int RecvRowIcon(const MessageEntry& entry)
{
    if (entry.Has(kEntryUnreadable))
        return kIconUnreadable;
    if (entry.Has(kEntryOpened))
        return kIconOpened;
    return kIconWaiting;
}

int RecvAttachmentIcon(std::uint32_t attachmentKind)
{
    const std::uint32_t kind = attachmentKind & kAttrAttachmentMask;
    if (kind == 0)
        return kIconNone;
    if (kind & kAttachVoiceClip)
        return kIconVoiceClip;
    if (kind & kAttachPackage)
        return kIconPackage;
    return kIconOtherAttachment;
}

long RecvDatabaseKind(std::uint32_t attachmentKind)
{
    return CMsgStore::AttachTypeFromAttributes(attachmentKind);
}
