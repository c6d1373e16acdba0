#include "inih_lookup.h"

#include <ini.h>
#include <strings.h>

namespace {

struct Lookup {
    const char* group;
    const char* key;
    std::string* value;
    bool found;
};

int onEntry(void* user, const char* section, const char* name, const char* value) {
    auto* lookup = static_cast<Lookup*>(user);
    if (!lookup->found && strcasecmp(section, lookup->group) == 0 &&
        strcasecmp(name, lookup->key) == 0) {
        *lookup->value = value;
        lookup->found = true;
    }
    return 1;
}

}  // namespace

bool inihLookup(const char* text, const char* group, const char* key, std::string* value) {
    Lookup lookup{group, key, value, false};
    ini_parse_string(text, onEntry, &lookup);
    return lookup.found;
}
