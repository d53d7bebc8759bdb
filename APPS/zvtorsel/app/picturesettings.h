// The Susie plug-in list (profile name zvdesk32, section "SPI") and the
// plug-in table the viewers and the picture scan share.
#pragma once
#include <vector>

#include "pictures/picturescan.h"
#include "pictures/spilist.h"
#include "pictures/win32/spihost.h"

class CWinApp;

// "SPI1" to "SPI32"; values without a comma are skipped.
std::vector<SpiListEntry> ReadSpiList(CWinApp& app);
// Writes the rows from "SPI1" on and empties the remaining keys up to 32.
void WriteSpiList(CWinApp& app, const std::vector<SpiListEntry>& rows);

// The process-wide plug-in table: read from the list at first use, loaded
// on demand, unloaded before the list is rewritten and at shut-down.
std::vector<SpiPlugin>& SpiTable();
// Loads the table's plug-ins unless loaded; returns the table.
std::vector<SpiPlugin>& LoadedSpiTable();
void UnloadSpiTable();
// Rebuilds the table from rows (unloaded).
void ResetSpiTable(const std::vector<SpiListEntry>& rows);
