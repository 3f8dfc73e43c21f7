// One waiting message of the application's arrival list, as the main window creates it from a
// message list and the received-message window fills it in. Portable.
#pragma once

#include "framework/core/CString.h"

#include <cstdint>

// Entry state bits. Only the received-message window sets them; new entries have state 0.
// "Deleted" and "unreadable" are bits of their own: message numbers are unsigned 32-bit server
// values and are never negated to mark an entry.
enum MessageEntryState : std::uint32_t {
    kEntryFetched = 0x0001,    // the body text is present
    kEntryOpened = 0x0008,     // shown and, with an attachment, the attachment received
    kEntryStored = 0x0100,     // written to the message database (never written twice)
    kEntryDeleted = 0x0200,    // the server confirmed the delete
    kEntryAttachmentIn = 0x0400, // the attachment file holds the received attachment
    kEntryUnreadable = 0x8000, // the fetch failed with 12214: never fetched again
};

// Message attributes used by the received-message window.
enum : std::uint32_t {
    kAttrReadNotice = 0x00000001, // the sender asks for a read notice
    kAttrNotStored = 0x00000002,  // not written to the database; its delete shows balloon event 31
    kAttrAttachmentMask = 0x0F000000,
    kAttachVoiceClip = 0x01000000,
    kAttachOther2 = 0x02000000,
    kAttachOther4 = 0x04000000,
    kAttachPackage = 0x08000000,
};

struct MessageEntry {
    CString senderId;
    CString senderName;
    std::uint32_t number = 0;
    std::int64_t time = 0; // Unix time
    CString body;
    std::uint32_t state = 0;
    std::uint32_t attributes = 0;
    std::uint32_t attachmentKind = 0;
    std::uint32_t attachmentLength = 0;
    CString attachmentFile; // the local file that holds the received attachment

    bool Has(std::uint32_t bit) const { return (state & bit) != 0; }
    bool HasAttachment() const { return (attachmentKind & kAttrAttachmentMask) != 0; }
};

// Row icons of the received-message list (indices into its image list).
enum RecvIcon : int {
    kIconWaiting = 0,
    kIconUnreadable = 1,
    kIconOpened = 2,
    kIconVoiceClip = 3,
    kIconPackage = 5,
    kIconOtherAttachment = 6,
    kIconNone = -1,
};

// Column 0's icon of an entry.
int RecvRowIcon(const MessageEntry& entry);
// Column 2's icon: kIconNone without attachment.
int RecvAttachmentIcon(std::uint32_t attachmentKind);
// The database kind (CMsgStore::AttachKind) a received attachment kind is stored with.
long RecvDatabaseKind(std::uint32_t attachmentKind);
