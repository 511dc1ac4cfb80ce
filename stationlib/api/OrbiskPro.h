/* OrbiskPro: the station library's flat interface, for C and C++ callers.
 *
 * Each export is declared under its plain name (InitStation_O) and bound to
 * its symbol, the decorated name with "$" in place of "@" (_InitStation_O$0).
 * Status results carry a 16-bit code in their low half: 0 success, -32701
 * communication failure, -32702 out of memory, -32703 no link open, -32704 no
 * data loaded, -32705 invalid identifier, -32706 buffer missing or too short,
 * -32707 invalid argument, -32768 value dashed / unsupported firmware.
 * The declarations come from the family tables (OrbiskPro_families.inc).
 */
#ifndef ORBISKPRO_H
#define ORBISKPRO_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ORBISK_SYMBOL_TEXT(name, bytes) "_" #name "_O$" #bytes
#define ORBISK_EXPORT(name, bytes, result, failure, params, args) \
  result name##_O params __asm__(ORBISK_SYMBOL_TEXT(name, bytes));
#include "stationlib/api/OrbiskPro_families.inc"
#undef ORBISK_EXPORT

#ifdef __cplusplus
}
#endif

#endif /* ORBISKPRO_H */
