#pragma once
// Uploading a model set to a device and telling it what to run.

#include "HostLibAdapter/ModelFiles.h"
#include "HostLibAdapter/ModelSets.h"

// Reads the set's setup (at most set.setupLimit bytes) and model image (at
// most 20 MiB), sends both with edl_start_dme, then the set's configuration
// with edl_dme_configure. False, with the cause through `msg`, when a file
// cannot be read (nothing is sent then) or the dongle refuses either call.
// Runs on the dongle's own thread.
bool LoadModelSet(int DevId, const ModelSet& set, const MessageFn& msg);
