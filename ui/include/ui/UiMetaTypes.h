#pragma once
// Meta-types that the device panel's signals carry, for queued connections.

// Registers std::string and std::vector<int> under those names. Idempotent;
// the panel's constructor calls it. The names are registered without
// Q_DECLARE_METATYPE, so that other libraries may declare std::string for
// their own use without clashing with this header.
void RegisterUiMetaTypes();
