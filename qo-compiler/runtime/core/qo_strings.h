/* Strings: building, searching, slicing, converting and formatting text. Part of qo_runtime.h; include that instead. */
#ifndef QO_CORE_QO_STRINGS_H
#define QO_CORE_QO_STRINGS_H

#endif
