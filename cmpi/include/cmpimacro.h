/*
 * The few helper macros a provider uses to build status values and to
 * test handles and values. Everything else is called through the
 * function tables directly, which keeps the calls visible in the code.
 */
#ifndef ORV_CMPIMACRO_H
#define ORV_CMPIMACRO_H

#include "cmpift.h"

/* Return a status with the code and no message from the current function. */
#define CMReturn(code)                         \
    do {                                       \
        CMPIStatus cmReturnStatus_ = {(code), NULL}; \
        return cmReturnStatus_;                \
    } while (0)

/* Return a status whose message is a new broker string made from chars. */
#define CMReturnWithChars(mb, code, chars)                                         \
    do {                                                                           \
        CMPIStatus cmReturnStatus_ = {(code), NULL};                               \
        if ((mb) != NULL)                                                          \
            cmReturnStatus_.msg = (mb)->eft->newString((mb), (chars), NULL);       \
        return cmReturnStatus_;                                                    \
    } while (0)

/* Return a status with an existing CMPIString as message. */
#define CMReturnWithString(code, string)                 \
    do {                                                 \
        CMPIStatus cmReturnStatus_ = {(code), (string)}; \
        return cmReturnStatus_;                          \
    } while (0)

/* Fill an optional status out-parameter. */
#define CMSetStatus(st, code)       \
    do {                            \
        if ((st) != NULL) {         \
            (st)->rc = (code);      \
            (st)->msg = NULL;       \
        }                           \
    } while (0)

#define CMSetStatusWithChars(mb, st, code, chars)                          \
    do {                                                                   \
        if ((st) != NULL) {                                                \
            (st)->rc = (code);                                             \
            (st)->msg = ((mb) != NULL)                                     \
                            ? (mb)->eft->newString((mb), (chars), NULL)    \
                            : NULL;                                        \
        }                                                                  \
    } while (0)

#define CMSetStatusWithString(st, code, string) \
    do {                                        \
        if ((st) != NULL) {                     \
            (st)->rc = (code);                  \
            (st)->msg = (string);               \
        }                                       \
    } while (0)

/* True when an encapsulated object is missing or has no handle. */
#define CMIsNullObject(obj) ((obj) == NULL || *((void* const*)(obj)) == NULL)

/* State tests on a CMPIData value. */
#define CMIsNullValue(data) (((data).state & CMPI_nullValue) != 0)
#define CMIsKeyValue(data) (((data).state & CMPI_keyValue) != 0)
#define CMIsArray(data) (((data).type & CMPI_ARRAY) != 0)

/* The characters of a CMPIString, or NULL for a missing string. */
#define CMGetCharPtr(str) ((str) != NULL ? (str)->ft->getCharPtr((str), NULL) : (char*)NULL)
#define CMGetCharsPtr(str, rc) \
    ((str) != NULL ? (str)->ft->getCharPtr((str), (rc)) : (char*)NULL)

/* Shorthands for the result calls every provider makes. */
#define CMReturnInstance(rslt, inst) ((rslt)->ft->returnInstance((rslt), (inst)))
#define CMReturnObjectPath(rslt, op) ((rslt)->ft->returnObjectPath((rslt), (op)))
#define CMReturnData(rslt, value, type) ((rslt)->ft->returnData((rslt), (value), (type)))
#define CMReturnDone(rslt) ((rslt)->ft->returnDone((rslt)))

/* Shorthands for the broker factories. */
#define CMNewString(mb, chars, rc) ((mb)->eft->newString((mb), (chars), (rc)))
#define CMNewObjectPath(mb, ns, cn, rc) ((mb)->eft->newObjectPath((mb), (ns), (cn), (rc)))
#define CMNewInstance(mb, op, rc) ((mb)->eft->newInstance((mb), (op), (rc)))
#define CMNewArgs(mb, rc) ((mb)->eft->newArgs((mb), (rc)))
#define CMNewArray(mb, max, type, rc) ((mb)->eft->newArray((mb), (max), (type), (rc)))
#define CMNewDateTimeFromChars(mb, text, rc) ((mb)->eft->newDateTimeFromChars((mb), (text), (rc)))
#define CMClassPathIsA(mb, op, type, rc) ((mb)->eft->classPathIsA((mb), (op), (type), (rc)))

#endif
