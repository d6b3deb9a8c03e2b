#ifndef ZAMCORE_TESTS_SUPPORT_MODULE_SNAPSHOT_H
#define ZAMCORE_TESTS_SUPPORT_MODULE_SNAPSHOT_H

#include <zamcore/zamcore.h>

#include <map>
#include <string>

// What a host can read of an option through the interface, as one line:
// type, scope, name, description, flags, path, value kind, constraints,
// default and base. Two options that print the same behave the same.
std::string describeOption(const ref_count_ptr<ZAMOption>& option);

// Every interface option of a module by name: its description, then the
// declaration text recorded for it, or "<no text>".
using InterfaceSnapshot = std::map<std::string, std::string>;
InterfaceSnapshot snapshotInterface(const ZAMModule& module);

#endif
