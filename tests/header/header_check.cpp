// The host header as a C++11 host compiles it: the C view and the C++ interface must agree, and the
// version text must be the project's.
#include <basetdic/module_obj.h>

namespace {

constexpr bool SameText(const char* a, const char* b) {
  return *a == *b && (*a == '\0' || SameText(a + 1, b + 1));
}

static_assert(BASETDIC_VERSION_MAJOR == EXPECTED_VERSION_MAJOR && BASETDIC_VERSION_MINOR == EXPECTED_VERSION_MINOR &&
                  BASETDIC_VERSION_PATCH == EXPECTED_VERSION_PATCH,
              "BASETDIC_VERSION_MAJOR/MINOR/PATCH differ from the project's version");
static_assert(SameText(BASETDIC_VERSION_STRING, EXPECTED_VERSION_STRING),
              "BASETDIC_VERSION_STRING differs from the project's version");
static_assert(sizeof(ModuleObjVtbl) == kModuleSlotCount * sizeof(void (*)()), "one table entry per slot");
static_assert(sizeof(ModuleObjHeader) == 3 * sizeof(void*), "vptr, statusPtr, idPtr");

}  // namespace
