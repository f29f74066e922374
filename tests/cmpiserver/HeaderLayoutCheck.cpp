// Build-time checks of the binary layout that providers compiled against
// other servers' headers rely on. Nothing here runs; a wrong size, offset,
// slot or code stops the build.
#include "cmpimacro.h"

#include <cstddef>

#define SLOT(Table, member) (offsetof(Table, member) / sizeof(void*))

// Data types.
static_assert(sizeof(CMPIBoolean) == 1 && sizeof(CMPIChar16) == 2 && sizeof(CMPIReal32) == 4);
static_assert(sizeof(CMPIValue) == 16 && alignof(CMPIValue) == 8 && sizeof(CMPIType) == 2);
static_assert(sizeof(CMPIData) == 24 && offsetof(CMPIData, state) == 2 && offsetof(CMPIData, value) == 8);
static_assert(sizeof(CMPIStatus) == 16 && offsetof(CMPIStatus, msg) == 8);
static_assert(sizeof(CMPIBroker) == 5 * sizeof(void*) && offsetof(CMPIInstance, ft) == 8);

// Type codes, value states, return codes and flags, as numbers on the wire.
constexpr long kCodes[][2] = {
    {CMPI_boolean, 0x2},    {CMPI_char16, 0x3},      {CMPI_real32, 0x8},    {CMPI_real64, 0x9},
    {CMPI_uint8, 0x80},     {CMPI_uint16, 0x90},     {CMPI_uint32, 0xA0},   {CMPI_uint64, 0xB0},
    {CMPI_sint8, 0xC0},     {CMPI_sint16, 0xD0},     {CMPI_sint32, 0xE0},   {CMPI_sint64, 0xF0},
    {CMPI_instance, 0x1000}, {CMPI_ref, 0x1100},     {CMPI_args, 0x1200},   {CMPI_class, 0x1300},
    {CMPI_filter, 0x1400},  {CMPI_enumeration, 0x1500}, {CMPI_ARRAY, 0x2000}, {CMPI_null, 0},
    {CMPI_string, 0x1600},  {CMPI_chars, 0x1700},    {CMPI_dateTime, 0x1800}, {CMPI_ptr, 0x1900},
    {CMPI_charsptr, 0x1A00}, {CMPI_stringA, 0x3600}, {CMPI_refA, 0x3100},   {CMPI_keyInteger, 0xF0},
    {CMPI_goodValue, 0},    {CMPI_nullValue, 0x100}, {CMPI_keyValue, 0x200}, {CMPI_notFound, 0x400}, {CMPI_badValue, 0x8000},
    {CMPI_RC_ERR_NOT_FOUND, 6}, {CMPI_RC_ERR_NO_SUCH_PROPERTY, 12}, {CMPI_RC_ERR_TYPE_MISMATCH, 13},
    {CMPI_RC_ERR_METHOD_NOT_FOUND, 17}, {CMPI_RC_DO_NOT_UNLOAD, 50}, {CMPI_RC_NEVER_UNLOAD, 51}, {CMPI_RC_ERR_INVALID_HANDLE, 60}, {CMPI_RC_ERR_INVALID_DATA_TYPE, 61},
    {CMPIVersion200, 200},  {CMPI_FLAG_DeepInheritance, 2},
};
constexpr bool codesMatch() {
    for (const auto& code : kCodes)
        if (code[0] != code[1]) return false;
    return true;
}
static_assert(codesMatch());

// Function tables: the last member (with the size) and the members the
// provider calls, which a shifted slot would silently swap.
static_assert(offsetof(CMPIBrokerFT, brokerName) == 8 && SLOT(CMPIBrokerFT, prepareAttachThread) == 2);
static_assert(SLOT(CMPIBrokerFT, deliverIndication) == 5 && sizeof(CMPIBrokerFT) == 20 * 8);
static_assert(SLOT(CMPIBrokerEncFT, newInstance) == 1 && SLOT(CMPIBrokerEncFT, newString) == 4);
static_assert(SLOT(CMPIBrokerEncFT, classPathIsA) == 10 && sizeof(CMPIBrokerEncFT) == 21 * 8);
static_assert(sizeof(CMPIBrokerExtFT) == 21 * 8 && sizeof(CMPIBrokerMemFT) == 15 * 8);
static_assert(SLOT(CMPIBrokerMemFT, cmpiFree) == 7 && SLOT(CMPIContextFT, getEntry) == 3);
static_assert(SLOT(CMPIResultFT, returnData) == 3 && SLOT(CMPIResultFT, returnDone) == 6);
static_assert(SLOT(CMPIInstanceFT, getProperty) == 3 && SLOT(CMPIInstanceFT, setProperty) == 6);
static_assert(SLOT(CMPIInstanceFT, setPropertyFilter) == 8 && SLOT(CMPIInstanceFT, setPropertyWithOrigin) == 10);
static_assert(SLOT(CMPIObjectPathFT, addKey) == 9 && SLOT(CMPIObjectPathFT, getKeyCount) == 12);
static_assert(SLOT(CMPIObjectPathFT, toString) == 19 && sizeof(CMPIStringFT) == 4 * 8);
static_assert(SLOT(CMPIArgsFT, addArg) == 3 && SLOT(CMPIArgsFT, getArgCount) == 6);
static_assert(SLOT(CMPIArrayFT, getElementAt) == 5 && SLOT(CMPIArrayFT, setElementAt) == 6);
static_assert(SLOT(CMPIEnumerationFT, toArray) == 5);
static_assert(SLOT(CMPIDateTimeFT, isInterval) == 5 && SLOT(CMPISelectExpFT, evaluateUsingAccessor) == 7);
static_assert(SLOT(CMPIErrorFT, setMessageArguments) == 26);
static_assert(offsetof(CMPIInstanceMIFT, miName) == 8 && SLOT(CMPIInstanceMIFT, cleanup) == 2);
static_assert(SLOT(CMPIInstanceMIFT, execQuery) == 9);
static_assert(SLOT(CMPIAssociationMIFT, referenceNames) == 6 && SLOT(CMPIMethodMIFT, invokeMethod) == 3);
static_assert(SLOT(CMPIIndicationMIFT, activateFilter) == 5 &&
              SLOT(CMPIIndicationMIFT, disableIndications) == 8);
