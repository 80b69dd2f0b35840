// File History's protection states (FhStatus.h), as QueryProtectionStatus
// answers them, declared here because mingw-w64 ships no header for them.
// Microsoft's page on QueryProtectionStatus gives FH_STATE_TOO_MUCH_BEHIND
// as 0x16; the header, and so Windows, says 0xF0.
#pragma once

#include "platform/win_api.h"

constexpr DWORD FH_STATE_NOT_TRACKED = 0x00;
constexpr DWORD FH_STATE_OFF = 0x01;
constexpr DWORD FH_STATE_DISABLED_BY_GP = 0x02;
constexpr DWORD FH_STATE_FATAL_CONFIG_ERROR = 0x03;
constexpr DWORD FH_STATE_MIGRATING = 0x04;
constexpr DWORD FH_STATE_REHYDRATING = 0x05;
constexpr DWORD FH_STATE_TARGET_FS_LIMITATION = 0x0D;
constexpr DWORD FH_STATE_TARGET_ACCESS_DENIED = 0x0E;
constexpr DWORD FH_STATE_TARGET_VOLUME_DIRTY = 0x0F;
constexpr DWORD FH_STATE_TARGET_FULL_RETENTION_MAX = 0x10;
constexpr DWORD FH_STATE_TARGET_FULL = 0x11;
constexpr DWORD FH_STATE_STAGING_FULL = 0x12;
constexpr DWORD FH_STATE_TARGET_LOW_SPACE_RETENTION_MAX = 0x13;
constexpr DWORD FH_STATE_TARGET_LOW_SPACE = 0x14;
constexpr DWORD FH_STATE_TARGET_ABSENT = 0x15;
constexpr DWORD FH_STATE_TOO_MUCH_BEHIND = 0xF0;
constexpr DWORD FH_STATE_NO_ERROR = 0xFF;
constexpr DWORD FH_STATE_BACKUP_NOT_SUPPORTED = 0x810;
// ORed onto the states from FH_STATE_TARGET_FS_LIMITATION on while a backup cycle runs.
constexpr DWORD FH_STATE_RUNNING = 0x100;
