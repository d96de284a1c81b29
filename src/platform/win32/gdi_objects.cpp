// What the framework classes need of gdi32 beyond its own calls: a slot for framework data on
// each GDI object. Windows keeps no such slot, so the companions live in a table by handle and
// are dropped once their object is gone (checked whenever a new companion is made).
#include "platform/gdi_objects.h"

#include <mutex>
#include <unordered_map>
#include <vector>

namespace txr {
namespace {

struct CompanionEntry {
    UINT type = 0;  // the object's kind when the companion was made
    std::unique_ptr<ObjectCompanion> companion;
};

struct CompanionTable {
    std::mutex mutex;
    std::unordered_map<HGDIOBJ, CompanionEntry> entries;
};

// Never destroyed, so that hosts may release GDI objects from their own static destructors.
CompanionTable& companionTable() {
    static CompanionTable* const table = new CompanionTable;
    return *table;
}

// A handle whose object was deleted may come back for a new object: an entry is good only
// while the handle names an object of the kind it was made for.
bool stale(HGDIOBJ object, const CompanionEntry& entry) {
    return GetObjectType(object) != entry.type;
}

}  // namespace

// Without `make` the companion is found even when its object is gone, so that a wrapper can
// still detach itself from it before the companion is dropped.
ObjectCompanion* objectCompanion(HGDIOBJ object, CompanionFactory make) {
    std::vector<std::unique_ptr<ObjectCompanion>> dropped;  // destroyed after the lock
    CompanionTable& table = companionTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto found = table.entries.find(object);
    if (found != table.entries.end() && (make == nullptr || !stale(object, found->second))) {
        return found->second.companion.get();
    }
    const UINT type = gdiObjectType(object);
    if (make == nullptr || type == 0) return nullptr;
    for (auto it = table.entries.begin(); it != table.entries.end();) {
        if (stale(it->first, it->second)) {
            dropped.push_back(std::move(it->second.companion));
            it = table.entries.erase(it);
        } else {
            ++it;
        }
    }
    CompanionEntry& entry = table.entries[object];
    entry.type = type;
    entry.companion = make();
    return entry.companion.get();
}

UINT gdiObjectType(HGDIOBJ object) {
    return object == nullptr ? 0 : GetObjectType(object);
}

}  // namespace txr
