// Between the MI functions and the framework facade: converts each request's
// CMPI objects into framework objects, checks the caller's rights where the
// request changes the system, calls the facade, hands the converted answers
// to the CMPI result and turns every failure into the status record. It also
// keeps what indication delivery needs from the framework's own threads.
#pragma once

#include "AbstractProviderPlugin.h"
#include "CIMArgumentList.h"
#include "CIMInstance.h"
#include "CIMObjectPath.h"
#include "cmpift.h"

#include <atomic>
#include <mutex>
#include <string>
#include <utility>

namespace orv::cim::adap::cmpi {

// Lifetime. The adapter is created by start-up and destroyed by the
// terminating clean-up, while server threads may still be in requests and
// framework threads in deliveries. Every request and delivery therefore
// holds a Use, and destroy() stops in this order: refuse new uses (for
// good: no adapter is created again in the process), wait until the uses
// in flight have ended, then delete the adapter, which tears the framework
// down and so ends its threads. Those threads' late deliveries are refused.
class CMPIAdapter {
public:
    // Keeps the adapter alive while a request or a delivery runs on it.
    class Use {
    public:
        Use() = default;
        Use(Use&& other) noexcept : adapter_(std::exchange(other.adapter_, nullptr)) {}
        Use& operator=(Use&&) = delete;
        Use(const Use&) = delete;
        ~Use();
        explicit operator bool() const { return adapter_ != nullptr; }
        CMPIAdapter* operator->() const { return adapter_; }
        CMPIAdapter& operator*() const { return *adapter_; }

    private:
        friend class CMPIAdapter;
        explicit Use(CMPIAdapter* adapter) : adapter_(adapter) {}
        CMPIAdapter* adapter_ = nullptr;
    };

    // The singleton, created on first use; null once destroy() has begun.
    // For start-up, which never overlaps the clean-up; requests and
    // deliveries use acquire().
    static CMPIAdapter* getInstance();
    // The existing adapter for one request or delivery; empty before
    // start-up and once the terminating clean-up has begun.
    static Use acquire();
    // Tears the adapter down together with the framework behind it, in the
    // order above. After it no adapter is ever created again in this process.
    static void destroy();
    // The facade's indication callback; runs on framework threads and
    // never throws.
    static bool DeliverIndication(const fwf::CIMInstance& indication);
    // Whether enabled indication requests outnumber disabled ones.
    static bool hasSubscription();

    CMPIAdapter(const CMPIAdapter&) = delete;
    CMPIAdapter& operator=(const CMPIAdapter&) = delete;

    bool initialize();

    // Request operations: the CMPI arguments of the request, the provider's
    // broker and the status record, which is left alone on success.
    void EnumInstanceNames(const CMPIContext* ctx, const CMPIResult* rslt, const CMPIObjectPath* op,
                           const CMPIBroker* broker, CMPIStatus& status);
    void EnumInstances(const CMPIContext* ctx, const CMPIResult* rslt, const CMPIObjectPath* op,
                       const char** properties, const CMPIBroker* broker, CMPIStatus& status);
    void GetInstance(const CMPIContext* ctx, const CMPIResult* rslt, const CMPIObjectPath* op,
                     const char** properties, const CMPIBroker* broker, CMPIStatus& status);
    void CreateInstance(const CMPIContext* ctx, const CMPIResult* rslt, const CMPIObjectPath* op,
                        const CMPIInstance* instance, const CMPIBroker* broker, CMPIStatus& status);
    void ModifyInstance(const CMPIContext* ctx, const CMPIResult* rslt, const CMPIObjectPath* op,
                        const CMPIInstance* instance, const char** properties,
                        const CMPIBroker* broker, CMPIStatus& status);
    void DeleteInstance(const CMPIContext* ctx, const CMPIResult* rslt, const CMPIObjectPath* op,
                        const CMPIBroker* broker, CMPIStatus& status);
    void Associators(const CMPIContext* ctx, const CMPIResult* rslt, const CMPIObjectPath* op,
                     const char* assocClass, const char* resultClass, const char* role,
                     const char* resultRole, const char** properties, const CMPIBroker* broker,
                     CMPIStatus& status);
    void AssociatorNames(const CMPIContext* ctx, const CMPIResult* rslt, const CMPIObjectPath* op,
                         const char* assocClass, const char* resultClass, const char* role,
                         const char* resultRole, const CMPIBroker* broker, CMPIStatus& status);
    void References(const CMPIContext* ctx, const CMPIResult* rslt, const CMPIObjectPath* op,
                    const char* resultClass, const char* role, const char** properties,
                    const CMPIBroker* broker, CMPIStatus& status);
    void ReferenceNames(const CMPIContext* ctx, const CMPIResult* rslt, const CMPIObjectPath* op,
                        const char* resultClass, const char* role, const CMPIBroker* broker,
                        CMPIStatus& status);
    void ActivateFilter(const CMPIContext* ctx, const CMPISelectExp* filter, const char* className,
                        const CMPIObjectPath* op, bool firstActivation, const CMPIBroker* broker,
                        CMPIStatus& status);
    void DeActivateFilter(const CMPIContext* ctx, const CMPISelectExp* filter,
                          const char* className, const CMPIObjectPath* op, bool lastActivation,
                          const CMPIBroker* broker, CMPIStatus& status);
    void EnableIndications(const CMPIContext* ctx, const CMPIBroker* broker, CMPIStatus& status);
    void DisableIndications(const CMPIContext* ctx, const CMPIBroker* broker, CMPIStatus& status);
    void InvokeMethod(const CMPIContext* ctx, const CMPIResult* rslt, const CMPIObjectPath* op,
                      const char* method, const CMPIArgs* in, CMPIArgs* out,
                      const CMPIBroker* broker, CMPIStatus& status);

    // Hand a converted list to the result, then returnDone. An element that
    // cannot be converted fails the status and every element after it.
    void ReturnObjectPaths(const CMPIBroker* broker, const CMPIResult* rslt,
                           const fwf::CIMObjectPathList& paths, CMPIStatus& status);
    void ReturnInstances(const CMPIBroker* broker, const CMPIResult* rslt, const char** properties,
                         const fwf::CIMInstanceList& instances, CMPIStatus& status);
    void FormArguments(const CMPIBroker* broker, const CMPIResult* unused,
                       const fwf::CIMArgumentList& arguments, CMPIArgs* out, CMPIStatus& status);
    // Whether the user may change the system on this server.
    bool isAdministrator(const std::string& userName, const std::string& serverName);

private:
    CMPIAdapter();
    ~CMPIAdapter();

    // Reads the principal and fills the status when it may not go on.
    bool authorize(const CMPIContext* ctx, const CMPIBroker* broker, CMPIStatus& status,
                   bool logIdentity);
    template <typename Body>
    void serve(const char* operation, const CMPIBroker* broker, CMPIStatus& status, Body&& body);
    // The result-class step of Associators and AssociatorNames: false when
    // the request ends without results; resultClass may be narrowed.
    bool narrowResultClass(const char* operation, const fwf::CIMObjectPath& path,
                           const std::string& assocClass, std::string& resultClass,
                           const CMPIBroker* broker);
    bool passesResultClass(const fwf::CIMObjectPath& path, const std::string& resultClass,
                           const CMPIBroker* broker);

    // Written by ActivateFilter on server threads, read by DeliverIndication
    // on event and job threads; the lock keeps the three consistent.
    std::mutex indicationMutex_;
    const CMPIContext* savedContext_ = nullptr;
    const CMPIBroker* broker_ = nullptr;
    CMPIContext* threadContext_ = nullptr;

    static std::atomic<int> subscriptionCount_;
    static std::atomic<bool> m_subscription;
};

}  // namespace orv::cim::adap::cmpi
