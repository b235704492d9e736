// JOTTADEV, the handheld synchronization provider: the four functions the
// handheld service manager finds by name. Each returns a 32-bit boolean and
// lets no exception out.
#pragma once

#include "platform/activesync/replication.h"

#define JOTTADEV_API extern "C" __attribute__((visibility("default")))

// Sets the provider up for partner 1 or 2 and hands out the object handler;
// a null name cleans up (closes the note database, deletes the lock).
JOTTADEV_API BOOL InitObjType(LPWSTR lpszObjType, IReplObjHandler** ppObjHandler, UINT uPartnerBit);
// TRUE when the object is a note that takes part in synchronization, with the
// notification's identifier list and change counts filled in.
JOTTADEV_API BOOL ObjectNotify(OBJNOTIFY* pNotify);
// Describes the note database: name, record count, size, last change.
JOTTADEV_API BOOL GetObjTypeInfo(OBJTYPEINFO* pInfo);
// Status code 2 (synchronization ended) asks the notes program to reload.
JOTTADEV_API BOOL ReportStatus(LPWSTR lpszObjType, UINT uCode, UINT uParam);

// Window message the notes program reloads on.
inline constexpr UINT WM_SYNC_FINISHED = 0x046F;
