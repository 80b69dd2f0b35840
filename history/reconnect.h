// Reconnecting the user to the backup a target holds already, as Windows'
// settings do when they offer to use previous backups.
#pragma once

#include "platform/com.h"
#include "platform/fh_config.h"

// Makes the user's configuration that of this user's earlier backup of this
// PC on the target (the most recent, if several), through File History's
// reassociation, with backups blocked meanwhile. Then releases the manager,
// which holds the fresh default and may refuse a second load, and loads the
// reconnected configuration into a new one in its place, so that what the
// caller changes and saves is that configuration. Deletes nothing. Returns
// the first failure; kNoSuchConfiguration when the target holds no backup of
// this user and PC.
HRESULT ReconnectToEarlierBackup(ComPtr<IFhConfigMgr>* manager, BSTR targetUrl);
