#include "options/rebuildoptions.h"

#include <stdio.h>

#include "mapping/mapping_settings.h"

void StoreRebuildOptions(IRebuildStore& store, const RebuildOptions& options) {
    const RebuildSettings& s = options.settings;
    store.WriteText("RebuildFolder", s.rebuildFolders[0].c_str());
    for (int i = 1; i < kRebuildFolderCount; ++i) {
        char key[32];
        snprintf(key, sizeof(key), "RebuildFolder%d", i);
        if (s.rebuildFolders[i].empty())
            store.Remove(key);
        else
            store.WriteText(key, s.rebuildFolders[i].c_str());
    }
    store.WriteInt("ViewHistTree", s.viewHistTree);
    store.WriteInt("HideWarning", s.hideWarning);
    store.WriteInt("CnvtPercent", s.cnvtPercent);
    store.WriteInt("CheckCopyMark", s.checkCopyMark);
    store.WriteInt("szMoveCheckSP", s.moveCheckSP);
    store.WriteInt("CacheBackDL", s.cacheBackDL);
    store.WriteInt("XlatRebuild", s.xlatRebuild);
    store.WriteInt("UseNoframeTag", s.useNoframeTag);
    store.WriteInt("RenameOld", s.renameOld);
    store.WriteInt("ContRbldTree", s.contRbldTree);
    store.WriteInt("FileProtocolType", MappingSettings::ValidFileProtocolType(options.fileProtocolType));
    store.WriteText("CacheFolder", s.cacheFolder.c_str());
}
