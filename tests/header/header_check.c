/* The host header as a C99 host compiles it. The build fails when the header warns, when its version
 * differs from the library's, or when the object header or the interface table changes size. */
#include <basetdic/module_obj.h>

#if BASETDIC_VERSION_MAJOR != EXPECTED_VERSION_MAJOR || BASETDIC_VERSION_MINOR != EXPECTED_VERSION_MINOR || \
    BASETDIC_VERSION_PATCH != EXPECTED_VERSION_PATCH
#error "BASETDIC_VERSION_MAJOR/MINOR/PATCH differ from the project's version"
#endif

#define HEADER_CHECK(name, condition) typedef char name[(condition) ? 1 : -1]

HEADER_CHECK(status_is_five_words, sizeof(ModuleStatus) == 5 * sizeof(uint32_t));
HEADER_CHECK(table_has_every_slot, sizeof(ModuleObjVtbl) == kModuleSlotCount * sizeof(void (*)(void)));
HEADER_CHECK(object_header_is_three_words, sizeof(ModuleObjHeader) == 3 * sizeof(void*));
HEADER_CHECK(version_text_fits, sizeof(BASETDIC_VERSION_STRING) == sizeof(EXPECTED_VERSION_STRING));
