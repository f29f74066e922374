// Strings, date-times, arrays, enumerations, select expressions and
// extended errors.
#include "DateTimeText.h"
#include "Objects.h"

namespace orv::cmpiserver::detail {

namespace {

constexpr int kVersion = CMPIVersion200;

// ---- String ---------------------------------------------------------------

char* stringGetCharPtr(const CMPIString* face, CMPIStatus* rc) {
    StringObject* string = objectOf<StringObject>(face);
    if (!string) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return nullptr;
    }
    setStatus(rc, CMPI_RC_OK);
    return string->withoutChars ? nullptr : const_cast<char*>(string->text.c_str());
}

// ---- DateTime -------------------------------------------------------------

CMPIUint64 dateTimeGetBinary(const CMPIDateTime* face, CMPIStatus* rc) {
    DateTimeObject* dateTime = objectOf<DateTimeObject>(face);
    if (!dateTime) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return 0;
    }
    auto micros = datetime::toMicroseconds(dateTime->text);
    // A time before 1970 has no binary form.
    setStatus(rc, micros ? CMPI_RC_OK : CMPI_RC_ERR_FAILED);
    return micros.value_or(0);
}

CMPIString* dateTimeGetString(const CMPIDateTime* face, CMPIStatus* rc) {
    DateTimeObject* dateTime = objectOf<DateTimeObject>(face);
    if (!dateTime) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return nullptr;
    }
    setStatus(rc, CMPI_RC_OK);
    return newStringObject(dateTime->core(), dateTime->text);
}

CMPIBoolean dateTimeIsInterval(const CMPIDateTime* face, CMPIStatus* rc) {
    DateTimeObject* dateTime = objectOf<DateTimeObject>(face);
    if (!dateTime) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return 0;
    }
    setStatus(rc, CMPI_RC_OK);
    return datetime::isInterval(dateTime->text) ? 1 : 0;
}

// ---- Array ----------------------------------------------------------------

CMPICount arrayGetSize(const CMPIArray* face, CMPIStatus* rc) {
    ArrayObject* array = objectOf<ArrayObject>(face);
    setStatus(rc, array ? CMPI_RC_OK : CMPI_RC_ERR_INVALID_HANDLE);
    return array ? static_cast<CMPICount>(array->elements.size()) : 0;
}

CMPIType arrayGetSimpleType(const CMPIArray* face, CMPIStatus* rc) {
    ArrayObject* array = objectOf<ArrayObject>(face);
    setStatus(rc, array ? CMPI_RC_OK : CMPI_RC_ERR_INVALID_HANDLE);
    return array ? array->elementType : CMPI_null;
}

CMPIData arrayGetElementAt(const CMPIArray* face, CMPICount index, CMPIStatus* rc) {
    ArrayObject* array = objectOf<ArrayObject>(face);
    if (!array) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return missingData();
    }
    if (index >= array->elements.size()) {
        setStatus(rc, CMPI_RC_ERR_NO_SUCH_PROPERTY);
        return missingData();
    }
    setStatus(rc, CMPI_RC_OK);
    return makeData(array->core(), array->elements[index]);
}

CMPIStatus arraySetElementAt(CMPIArray* face, CMPICount index, const CMPIValue* value,
                             CMPIType type) {
    ArrayObject* array = objectOf<ArrayObject>(face);
    if (!array) return statusOf(CMPI_RC_ERR_INVALID_HANDLE);
    if (index >= array->elements.size()) return statusOf(CMPI_RC_ERR_NO_SUCH_PROPERTY);
    if ((type & CMPI_ARRAY) || storedType(type) != array->elementType)
        return statusOf(CMPI_RC_ERR_TYPE_MISMATCH);
    ReadValue element = readValue(value, type);
    if (element.rc != CMPI_RC_OK) return statusOf(element.rc);
    array->elements[index] = std::move(element.value);
    return statusOf(CMPI_RC_OK);
}

// ---- Enumeration ----------------------------------------------------------

CMPIData enumerationGetNext(const CMPIEnumeration* face, CMPIStatus* rc) {
    EnumerationObject* enumeration = objectOf<EnumerationObject>(face);
    if (!enumeration) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return missingData();
    }
    const std::size_t position = enumeration->cursor.fetch_add(1);
    if (position >= enumeration->items.size()) {
        enumeration->cursor = enumeration->items.size();
        setStatus(rc, CMPI_RC_ERR_NO_SUCH_PROPERTY);
        return missingData();
    }
    setStatus(rc, CMPI_RC_OK);
    return makeData(enumeration->core(), enumeration->items[position]);
}

CMPIBoolean enumerationHasNext(const CMPIEnumeration* face, CMPIStatus* rc) {
    EnumerationObject* enumeration = objectOf<EnumerationObject>(face);
    setStatus(rc, enumeration ? CMPI_RC_OK : CMPI_RC_ERR_INVALID_HANDLE);
    return enumeration && enumeration->cursor.load() < enumeration->items.size() ? 1 : 0;
}

CMPIArray* enumerationToArray(const CMPIEnumeration* face, CMPIStatus* rc) {
    EnumerationObject* enumeration = objectOf<EnumerationObject>(face);
    if (!enumeration) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return nullptr;
    }
    CMPIType type = enumeration->items.empty() ? CMPI_null : enumeration->items.front().type();
    setStatus(rc, CMPI_RC_OK);
    return &currentArena(enumeration->core())
                .create<ArrayObject>(enumeration->core(), type, enumeration->items)
                ->face;
}

// ---- Select expression ----------------------------------------------------
// The server keeps the query text for the provider to read; it does not
// evaluate queries itself.

CMPIBoolean selectEvaluate(const CMPISelectExp* face, const CMPIInstance*, CMPIStatus* rc) {
    setStatus(rc, objectOf<SelectExpObject>(face) ? CMPI_RC_ERR_NOT_SUPPORTED
                                                  : CMPI_RC_ERR_INVALID_HANDLE);
    return 0;
}

CMPIString* selectGetString(const CMPISelectExp* face, CMPIStatus* rc) {
    SelectExpObject* select = objectOf<SelectExpObject>(face);
    if (!select) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return nullptr;
    }
    setStatus(rc, CMPI_RC_OK);
    return newStringObject(select->core(), select->query);
}

CMPISelectCond* selectGetCondition(const CMPISelectExp* face, CMPIStatus* rc) {
    setStatus(rc, objectOf<SelectExpObject>(face) ? CMPI_RC_ERR_NOT_SUPPORTED
                                                  : CMPI_RC_ERR_INVALID_HANDLE);
    return nullptr;
}

CMPIBoolean selectEvaluateUsingAccessor(const CMPISelectExp* face, CMPIAccessor*, void*,
                                        CMPIStatus* rc) {
    setStatus(rc, objectOf<SelectExpObject>(face) ? CMPI_RC_ERR_NOT_SUPPORTED
                                                  : CMPI_RC_ERR_INVALID_HANDLE);
    return 0;
}

// ---- Extended error -------------------------------------------------------

// Getters and setters differ only in the field they touch.
template <class R, class F>
R errorGet(const CMPIError* face, CMPIStatus* rc, R fallback, F&& get) {
    ErrorObject* error = objectOf<ErrorObject>(face);
    if (!error) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return fallback;
    }
    setStatus(rc, CMPI_RC_OK);
    return get(*error);
}

template <class F>
CMPIStatus errorSet(CMPIError* face, F&& set) {
    ErrorObject* error = objectOf<ErrorObject>(face);
    if (!error) return statusOf(CMPI_RC_ERR_INVALID_HANDLE);
    return statusOf(set(*error));
}

CMPIString* errorString(ErrorObject& error, const std::string& text) {
    return newStringObject(error.core(), text);
}

CMPIArray* errorStrings(ErrorObject& error, const std::vector<std::string>& texts) {
    std::vector<Value> elements;
    for (const auto& text : texts) elements.push_back(Value::string(text));
    return &currentArena(error.core())
                .create<ArrayObject>(error.core(), CMPI_string, std::move(elements))
                ->face;
}

CMPIrc readStrings(const CMPIArray* face, std::vector<std::string>& out) {
    ArrayObject* array = nullptr;
    if (CMPIrc rc = lookup(face, array); rc != CMPI_RC_OK) return rc;
    if (array->elementType != CMPI_string) return CMPI_RC_ERR_TYPE_MISMATCH;
    out.clear();
    for (const auto& element : array->elements)
        out.push_back(element.isNull() ? std::string() : element.asString());
    return CMPI_RC_OK;
}

CMPIrc setText(std::string& field, const char* text) {
    if (!text) return CMPI_RC_ERR_INVALID_PARAMETER;
    field = text;
    return CMPI_RC_OK;
}

}  // namespace

StringObject::StringObject(BrokerCore& core, std::string value)
    : Faced(core, &table), text(std::move(value)) {}

DateTimeObject::DateTimeObject(BrokerCore& core, std::string cimText)
    : Faced(core, &table), text(std::move(cimText)) {}

ArrayObject::ArrayObject(BrokerCore& core, CMPIType type, std::vector<Value> values)
    : Faced(core, &table), elementType(type), elements(std::move(values)) {}

EnumerationObject::EnumerationObject(BrokerCore& core, std::vector<Value> values)
    : Faced(core, &table), items(std::move(values)) {}

EnumerationObject::EnumerationObject(const EnumerationObject& other)
    : Faced(other), items(other.items), cursor(other.cursor.load()) {}

SelectExpObject::SelectExpObject(BrokerCore& core, std::string text, std::string lang)
    : Faced(core, &table), query(std::move(text)), language(std::move(lang)) {}

ErrorObject::ErrorObject(BrokerCore& core) : Faced(core, &table) {}

CMPIStringFT StringObject::table = {
    kVersion, releaseFace<StringObject, CMPIString>, cloneFace<StringObject, CMPIString>,
    stringGetCharPtr,
};

CMPIDateTimeFT DateTimeObject::table = {
    kVersion,          releaseFace<DateTimeObject, CMPIDateTime>,
    cloneFace<DateTimeObject, CMPIDateTime>, dateTimeGetBinary,
    dateTimeGetString, dateTimeIsInterval,
};

CMPIArrayFT ArrayObject::table = {
    kVersion,          releaseFace<ArrayObject, CMPIArray>, cloneFace<ArrayObject, CMPIArray>,
    arrayGetSize,      arrayGetSimpleType,                  arrayGetElementAt,
    arraySetElementAt,
};

CMPIEnumerationFT EnumerationObject::table = {
    kVersion,
    releaseFace<EnumerationObject, CMPIEnumeration>,
    cloneFace<EnumerationObject, CMPIEnumeration>,
    enumerationGetNext,
    enumerationHasNext,
    enumerationToArray,
};

CMPISelectExpFT SelectExpObject::table = {
    kVersion,
    releaseFace<SelectExpObject, CMPISelectExp>,
    cloneFace<SelectExpObject, CMPISelectExp>,
    selectEvaluate,
    selectGetString,
    selectGetCondition,
    selectGetCondition,
    selectEvaluateUsingAccessor,
};

CMPIErrorFT ErrorObject::table = {
    kVersion,
    releaseFace<ErrorObject, CMPIError>,
    cloneFace<ErrorObject, CMPIError>,
    [](const CMPIError* e, CMPIStatus* rc) {
        return errorGet(e, rc, UnknownErrorType, [](ErrorObject& o) { return o.errorType; });
    },
    [](const CMPIError* e, CMPIStatus* rc) {
        return errorGet<CMPIString*>(e, rc, nullptr,
                                     [](ErrorObject& o) { return errorString(o, o.otherErrorType); });
    },
    [](const CMPIError* e, CMPIStatus* rc) {
        return errorGet<CMPIString*>(
            e, rc, nullptr, [](ErrorObject& o) { return errorString(o, o.record.owningEntity); });
    },
    [](const CMPIError* e, CMPIStatus* rc) {
        return errorGet<CMPIString*>(
            e, rc, nullptr, [](ErrorObject& o) { return errorString(o, o.record.messageId); });
    },
    [](const CMPIError* e, CMPIStatus* rc) {
        return errorGet<CMPIString*>(
            e, rc, nullptr, [](ErrorObject& o) { return errorString(o, o.record.message); });
    },
    [](const CMPIError* e, CMPIStatus* rc) {
        return errorGet(e, rc, ErrorSevUnknown, [](ErrorObject& o) { return o.record.severity; });
    },
    [](const CMPIError* e, CMPIStatus* rc) {
        return errorGet(e, rc, ErrorProbCauseUnknown,
                        [](ErrorObject& o) { return o.record.probableCause; });
    },
    [](const CMPIError* e, CMPIStatus* rc) {
        return errorGet<CMPIString*>(e, rc, nullptr, [](ErrorObject& o) {
            return errorString(o, o.probableCauseDescription);
        });
    },
    [](const CMPIError* e, CMPIStatus* rc) {
        return errorGet<CMPIArray*>(
            e, rc, nullptr, [](ErrorObject& o) { return errorStrings(o, o.recommendedActions); });
    },
    [](const CMPIError* e, CMPIStatus* rc) {
        return errorGet<CMPIString*>(e, rc, nullptr,
                                     [](ErrorObject& o) { return errorString(o, o.errorSource); });
    },
    [](const CMPIError* e, CMPIStatus* rc) {
        return errorGet(e, rc, CMPIErrSrcUnknown, [](ErrorObject& o) { return o.errorSourceFormat; });
    },
    [](const CMPIError* e, CMPIStatus* rc) {
        return errorGet<CMPIString*>(e, rc, nullptr, [](ErrorObject& o) {
            return errorString(o, o.otherErrorSourceFormat);
        });
    },
    [](const CMPIError* e, CMPIStatus* rc) {
        return errorGet(e, rc, CMPI_RC_ERR_FAILED, [](ErrorObject& o) { return o.record.statusCode; });
    },
    [](const CMPIError* e, CMPIStatus* rc) {
        return errorGet<CMPIString*>(e, rc, nullptr, [](ErrorObject& o) {
            return errorString(o, o.statusCodeDescription);
        });
    },
    [](const CMPIError* e, CMPIStatus* rc) {
        return errorGet<CMPIArray*>(
            e, rc, nullptr, [](ErrorObject& o) { return errorStrings(o, o.messageArguments); });
    },
    [](CMPIError* e, const CMPIErrorType type) {
        return errorSet(e, [type](ErrorObject& o) {
            o.errorType = type;
            return CMPI_RC_OK;
        });
    },
    [](CMPIError* e, const char* text) {
        return errorSet(e, [text](ErrorObject& o) { return setText(o.otherErrorType, text); });
    },
    [](CMPIError* e, const char* text) {
        return errorSet(e, [text](ErrorObject& o) {
            return setText(o.probableCauseDescription, text);
        });
    },
    [](CMPIError* e, const CMPIArray* actions) {
        return errorSet(e, [actions](ErrorObject& o) {
            return readStrings(actions, o.recommendedActions);
        });
    },
    [](CMPIError* e, const char* text) {
        return errorSet(e, [text](ErrorObject& o) { return setText(o.errorSource, text); });
    },
    [](CMPIError* e, const CMPIErrorSrcFormat format) {
        return errorSet(e, [format](ErrorObject& o) {
            o.errorSourceFormat = format;
            return CMPI_RC_OK;
        });
    },
    [](CMPIError* e, const char* text) {
        return errorSet(e, [text](ErrorObject& o) {
            return setText(o.otherErrorSourceFormat, text);
        });
    },
    [](CMPIError* e, const char* text) {
        return errorSet(e, [text](ErrorObject& o) {
            return setText(o.statusCodeDescription, text);
        });
    },
    [](CMPIError* e, CMPIArray* values) {
        return errorSet(e, [values](ErrorObject& o) {
            return readStrings(values, o.messageArguments);
        });
    },
};

}  // namespace orv::cmpiserver::detail
