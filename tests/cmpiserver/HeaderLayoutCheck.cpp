// Build-time checks of the binary layout that providers compiled against
// other servers' headers rely on. Nothing here runs; a wrong size, offset,
// slot or code stops the build.
#include "cmpimacro.h"

#include <cstddef>

#define SLOT(Table, member) (offsetof(Table, member) / sizeof(void*))

// Data types.
static_assert(sizeof(CMPIBoolean) == 1 && sizeof(CMPIChar16) == 2);
static_assert(sizeof(CMPIUint64) == 8 && sizeof(CMPISint64) == 8 && sizeof(CMPIReal32) == 4);
static_assert(sizeof(CMPIValuePtr) == 16);
static_assert(sizeof(CMPIValue) == 16 && alignof(CMPIValue) == 8);
static_assert(sizeof(CMPIType) == 2 && sizeof(CMPIValueState) == 2);
static_assert(sizeof(CMPIData) == 24);
static_assert(offsetof(CMPIData, type) == 0 && offsetof(CMPIData, state) == 2 &&
              offsetof(CMPIData, value) == 8);
static_assert(sizeof(CMPIrc) == 4);
static_assert(sizeof(CMPIStatus) == 16 && offsetof(CMPIStatus, msg) == 8);
static_assert(sizeof(CMPIBroker) == 5 * sizeof(void*));
static_assert(sizeof(CMPIInstance) == 16 && offsetof(CMPIInstance, ft) == 8);

// Type codes, value states and return codes.
static_assert(CMPI_null == 0 && CMPI_boolean == 0x0002 && CMPI_char16 == 0x0003);
static_assert(CMPI_real32 == 0x0008 && CMPI_real64 == 0x0009);
static_assert(CMPI_uint8 == 0x0080 && CMPI_uint16 == 0x0090 && CMPI_uint32 == 0x00A0 &&
              CMPI_uint64 == 0x00B0);
static_assert(CMPI_sint8 == 0x00C0 && CMPI_sint16 == 0x00D0 && CMPI_sint32 == 0x00E0 &&
              CMPI_sint64 == 0x00F0);
static_assert(CMPI_instance == 0x1000 && CMPI_ref == 0x1100 && CMPI_args == 0x1200 &&
              CMPI_class == 0x1300 && CMPI_filter == 0x1400 && CMPI_enumeration == 0x1500);
static_assert(CMPI_string == 0x1600 && CMPI_chars == 0x1700 && CMPI_dateTime == 0x1800 &&
              CMPI_ptr == 0x1900 && CMPI_charsptr == 0x1A00);
static_assert(CMPI_ARRAY == 0x2000 && CMPI_stringA == 0x3600 && CMPI_refA == 0x3100);
static_assert(CMPI_keyInteger == CMPI_sint64);
static_assert(CMPI_goodValue == 0 && CMPI_nullValue == 0x100 && CMPI_keyValue == 0x200 &&
              CMPI_notFound == 0x400 && CMPI_badValue == 0x8000);
static_assert(CMPI_RC_ERR_NOT_FOUND == 6 && CMPI_RC_ERR_NO_SUCH_PROPERTY == 12 &&
              CMPI_RC_ERR_TYPE_MISMATCH == 13 && CMPI_RC_ERR_METHOD_NOT_FOUND == 17);
static_assert(CMPI_RC_DO_NOT_UNLOAD == 50 && CMPI_RC_NEVER_UNLOAD == 51);
static_assert(CMPI_RC_ERR_INVALID_HANDLE == 60 && CMPI_RC_ERR_INVALID_DATA_TYPE == 61);
static_assert(CMPIVersion200 == 200 && CMPI_FLAG_DeepInheritance == 2);

// Broker tables: the first and last members, and those the provider uses.
static_assert(offsetof(CMPIBrokerFT, brokerName) == 8);
static_assert(SLOT(CMPIBrokerFT, prepareAttachThread) == 2);
static_assert(SLOT(CMPIBrokerFT, deliverIndication) == 5);
static_assert(SLOT(CMPIBrokerFT, getProperty) == 19 && sizeof(CMPIBrokerFT) == 20 * 8);
static_assert(SLOT(CMPIBrokerEncFT, newInstance) == 1 && SLOT(CMPIBrokerEncFT, newString) == 4);
static_assert(SLOT(CMPIBrokerEncFT, newDateTimeFromChars) == 8);
static_assert(SLOT(CMPIBrokerEncFT, classPathIsA) == 10);
static_assert(SLOT(CMPIBrokerEncFT, trace) == 16 && SLOT(CMPIBrokerEncFT, getMessage2) == 20);
static_assert(sizeof(CMPIBrokerEncFT) == 21 * 8);
static_assert(SLOT(CMPIBrokerExtFT, signalCondition) == 20 && sizeof(CMPIBrokerExtFT) == 21 * 8);
static_assert(SLOT(CMPIBrokerMemFT, cmpiFree) == 7 && SLOT(CMPIBrokerMemFT, freeSelectExp) == 14);
static_assert(sizeof(CMPIBrokerMemFT) == 15 * 8);

// Object tables.
static_assert(SLOT(CMPIContextFT, getEntry) == 3 && SLOT(CMPIContextFT, addEntry) == 6);
static_assert(SLOT(CMPIResultFT, returnData) == 3 && SLOT(CMPIResultFT, returnDone) == 6 &&
              SLOT(CMPIResultFT, returnError) == 7);
static_assert(SLOT(CMPIErrorFT, getMessageArguments) == 17 &&
              SLOT(CMPIErrorFT, setMessageArguments) == 26);
static_assert(SLOT(CMPIInstanceFT, getProperty) == 3 && SLOT(CMPIInstanceFT, setProperty) == 6 &&
              SLOT(CMPIInstanceFT, setPropertyFilter) == 8 &&
              SLOT(CMPIInstanceFT, setPropertyWithOrigin) == 10);
static_assert(SLOT(CMPIObjectPathFT, getHostname) == 6 && SLOT(CMPIObjectPathFT, addKey) == 9 &&
              SLOT(CMPIObjectPathFT, getKeyCount) == 12 && SLOT(CMPIObjectPathFT, toString) == 19);
static_assert(SLOT(CMPIArgsFT, addArg) == 3 && SLOT(CMPIArgsFT, getArgCount) == 6);
static_assert(SLOT(CMPIStringFT, getCharPtr) == 3 && sizeof(CMPIStringFT) == 4 * 8);
static_assert(SLOT(CMPIArrayFT, getElementAt) == 5 && SLOT(CMPIArrayFT, setElementAt) == 6);
static_assert(SLOT(CMPIEnumerationFT, toArray) == 5);
static_assert(SLOT(CMPIDateTimeFT, getBinaryFormat) == 3 && SLOT(CMPIDateTimeFT, isInterval) == 5);
static_assert(SLOT(CMPISelectExpFT, evaluateUsingAccessor) == 7);
static_assert(SLOT(CMPIPredicateFT, evaluateUsingAccessor) == 4);

// Provider tables.
static_assert(offsetof(CMPIInstanceMIFT, miName) == 8 && SLOT(CMPIInstanceMIFT, cleanup) == 2);
static_assert(SLOT(CMPIInstanceMIFT, execQuery) == 9);
static_assert(SLOT(CMPIAssociationMIFT, referenceNames) == 6);
static_assert(SLOT(CMPIMethodMIFT, invokeMethod) == 3);
static_assert(SLOT(CMPIIndicationMIFT, activateFilter) == 5 &&
              SLOT(CMPIIndicationMIFT, disableIndications) == 8);
static_assert(SLOT(CMPIPropertyMIFT, setPropertyWithOrigin) == 5);
