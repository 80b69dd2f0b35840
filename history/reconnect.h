// Reconnecting the user to the backup a target holds already, as Windows'
// settings do when they offer to use previous backups.
#pragma once

#include "platform/fh_config.h"

// Makes the user's configuration that of this user's earlier backup of this
// PC on the target (the most recent, if several), through File History's
// reassociation, with backups blocked meanwhile; then loads it into the
// manager, so that what the caller changes and saves is that configuration
// and not the fresh default. Deletes nothing. Returns the first failure;
// kNoSuchConfiguration when the target holds no backup of this user and PC.
HRESULT ReconnectToEarlierBackup(IFhConfigMgr* manager, BSTR targetUrl);
