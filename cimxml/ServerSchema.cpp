#include "ServerSchema.h"

#include "Value.h"

#include <algorithm>
#include <cctype>
#include <mutex>

namespace orv::cimxml {

using cmpiserver::equalsIgnoreCase;
using cmpiserver::hashIgnoreCase;

bool NameLess::operator()(std::string_view a, std::string_view b) const {
    return cmpiserver::compareIgnoreCase(a, b) < 0;
}

const ParameterDecl* MethodDecl::parameter(std::string_view parameterName) const {
    for (const auto& p : parameters)
        if (equalsIgnoreCase(p.name, parameterName)) return &p;
    return nullptr;
}

void ServerSchema::addClass(ClassDecl decl) {
    const std::string name = decl.name;
    if (const ClassDecl* known = find(decl.name)) {
        classes_[static_cast<std::size_t>(known - classes_.data())] = std::move(decl);
    } else {
        hashIndex_.emplace(hashIgnoreCase(decl.name), classes_.size());
        classes_.push_back(std::move(decl));
    }
    // Only a class already shown (registered, or named as an ancestor of
    // one) can change what a namespace shows; the others, read by the
    // thousand at start, only drop the kept views.
    const bool shown = std::any_of(namespaces_.begin(), namespaces_.end(),
                                   [&](const Namespace& ns) { return ns.visibleKeys.count(name) != 0; });
    if (shown)
        refreshVisibility();
    else
        forgetViews();
}

void ServerSchema::addNamespace(std::string_view nameSpace) {
    if (findNamespace(nameSpace)) return;
    namespaces_.push_back(Namespace{std::string(nameSpace), {}, {}, {}, {}, {}});
}

void ServerSchema::registerProviderClass(std::string_view nameSpace, std::string_view className) {
    addNamespace(nameSpace);
    auto& ns = const_cast<Namespace&>(*findNamespace(nameSpace));
    if (ns.providerKeys.emplace(className).second) {
        ns.providerClasses.emplace_back(className);
        showWithAncestors(ns, ns.providerClasses.back());
    }
    forgetViews();
}

void ServerSchema::registerServerClass(std::string_view nameSpace, std::string_view className) {
    addNamespace(nameSpace);
    auto& ns = const_cast<Namespace&>(*findNamespace(nameSpace));
    ns.serverClasses.emplace_back(className);
    showWithAncestors(ns, ns.serverClasses.back());
    forgetViews();
}

void ServerSchema::registerIndicationClass(std::string_view nameSpace, std::string_view className) {
    addNamespace(nameSpace);
    auto& ns = const_cast<Namespace&>(*findNamespace(nameSpace));
    ns.indicationClasses.emplace_back(className);
}

std::vector<std::string> ServerSchema::indicationClasses(std::string_view nameSpace) const {
    const Namespace* ns = findNamespace(nameSpace);
    return ns ? ns->indicationClasses : std::vector<std::string>{};
}

bool ServerSchema::isServerClass(std::string_view nameSpace, std::string_view className) const {
    const Namespace* ns = findNamespace(nameSpace);
    if (!ns) return false;
    return std::any_of(ns->serverClasses.begin(), ns->serverClasses.end(),
                       [&](const std::string& name) { return isA(className, name); });
}

// Visibility depends on both the classes and the registrations: a
// registration adds its class's chain, a class that changes a shown chain
// makes every namespace's list again.
void ServerSchema::refreshVisibility() {
    forgetViews();
    for (auto& ns : namespaces_) {
        ns.visibleKeys.clear();
        for (const auto& name : ns.providerClasses) showWithAncestors(ns, name);
        for (const auto& name : ns.serverClasses) showWithAncestors(ns, name);
    }
}

void ServerSchema::showWithAncestors(Namespace& ns, const std::string& className) {
    std::string key = className;
    for (int depth = 0; depth < 64 && !key.empty(); ++depth) {
        if (!ns.visibleKeys.insert(key).second) break;
        const ClassDecl* decl = find(key);
        key = decl ? decl->superClass : std::string();
    }
}

void ServerSchema::forgetViews() {
    std::unique_lock lock(cache_->mutex);
    cache_->views.clear();
    cache_->classesFor.clear();
    cache_->routesFrom.clear();
    cache_->routes.clear();
}

const ClassDecl* ServerSchema::find(std::string_view className) const {
    const auto [first, last] = hashIndex_.equal_range(hashIgnoreCase(className));
    for (auto it = first; it != last; ++it)
        if (equalsIgnoreCase(classes_[it->second].name, className)) return &classes_[it->second];
    return nullptr;
}

// Walks the kept chain of the class rather than looking every ancestor up
// by name: routing asks this for every provider class of every request.
bool ServerSchema::isA(std::string_view className, std::string_view ancestor) const {
    if (equalsIgnoreCase(className, ancestor)) return true;
    const auto& chain = view(className).chain;
    for (const ClassDecl* c : chain)
        if (equalsIgnoreCase(c->name, ancestor)) return true;
    // A superclass the schema does not declare still counts by name.
    return !chain.empty() && equalsIgnoreCase(chain.back()->superClass, ancestor);
}

std::vector<const ClassDecl*> ServerSchema::classes() const {
    std::vector<const ClassDecl*> out;
    for (const auto& c : classes_) out.push_back(&c);
    return out;
}

std::vector<const ClassDecl*> ServerSchema::subClasses(std::string_view className, bool deep) const {
    std::vector<const ClassDecl*> out;
    for (const auto& c : classes_) {
        if (equalsIgnoreCase(c.name, className)) continue;
        if (deep ? isA(c.name, className)
                 : (className.empty() ? c.superClass.empty()
                                      : equalsIgnoreCase(c.superClass, className)))
            out.push_back(&c);
    }
    return out;
}

namespace {

template <class Decl>
void mergeInto(std::vector<Inherited<Decl>>& list, const std::vector<Decl>& declared,
               const std::string& origin) {
    for (const auto& d : declared) {
        auto same = std::find_if(list.begin(), list.end(), [&](const Inherited<Decl>& e) {
            return equalsIgnoreCase(e.decl->name, d.name);
        });
        if (same != list.end()) {
            same->decl = &d;
            same->originClass = origin;
        } else {
            list.push_back(Inherited<Decl>{&d, origin});
        }
    }
}

}  // namespace

ServerSchema::ClassView ServerSchema::buildView(std::string_view className) const {
    std::vector<const ClassDecl*> chain;
    for (const ClassDecl* c = find(className); c && chain.size() < 64; c = find(c->superClass))
        chain.push_back(c);
    ClassView view;
    view.chain = chain;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        mergeInto(view.properties, (*it)->properties, (*it)->name);
        mergeInto(view.methods, (*it)->methods, (*it)->name);
    }
    for (std::size_t i = 0; i < view.properties.size(); ++i)
        view.propertyIndex.emplace(view.properties[i].decl->name, i);
    for (std::size_t i = 0; i < view.methods.size(); ++i)
        view.methodIndex.emplace(view.methods[i].decl->name, i);
    return view;
}

const ServerSchema::ClassView* ServerSchema::ViewCache::findView(std::uint64_t hash,
                                                               std::string_view className) const {
    const auto [first, last] = views.equal_range(hash);
    for (auto it = first; it != last; ++it)
        if (equalsIgnoreCase(it->second.first, className)) return it->second.second.get();
    return nullptr;
}

const ServerSchema::ClassView& ServerSchema::view(std::string_view className) const {
    const std::uint64_t hash = hashIgnoreCase(className);
    {
        std::shared_lock lock(cache_->mutex);
        if (const ClassView* known = cache_->findView(hash, className)) return *known;
    }
    auto built = std::make_unique<const ClassView>(buildView(className));
    std::unique_lock lock(cache_->mutex);
    // Another thread may have built the same view meanwhile; the first stays.
    if (const ClassView* known = cache_->findView(hash, className)) return *known;
    return *cache_->views.emplace(hash, std::make_pair(std::string(className), std::move(built)))->second.second;
}

const std::vector<Inherited<PropertyDecl>>& ServerSchema::effectiveProperties(std::string_view className) const {
    return view(className).properties;
}

const std::vector<Inherited<MethodDecl>>& ServerSchema::effectiveMethods(std::string_view className) const {
    return view(className).methods;
}

const Inherited<PropertyDecl>* ServerSchema::property(std::string_view className,
                                                      std::string_view propertyName) const {
    const ClassView& v = view(className);
    const auto it = v.propertyIndex.find(propertyName);
    return it == v.propertyIndex.end() ? nullptr : &v.properties[it->second];
}

const Inherited<MethodDecl>* ServerSchema::method(std::string_view className, std::string_view methodName) const {
    const ClassView& v = view(className);
    const auto it = v.methodIndex.find(methodName);
    return it == v.methodIndex.end() ? nullptr : &v.methods[it->second];
}

const ServerSchema::Namespace* ServerSchema::findNamespace(std::string_view nameSpace) const {
    for (const auto& ns : namespaces_)
        if (equalsIgnoreCase(ns.name, nameSpace)) return &ns;
    return nullptr;
}

std::optional<std::string> ServerSchema::servedNamespace(std::string_view nameSpace) const {
    const Namespace* ns = findNamespace(nameSpace);
    if (!ns) return std::nullopt;
    return ns->name;
}

std::vector<std::string> ServerSchema::namespaces() const {
    std::vector<std::string> out;
    for (const auto& ns : namespaces_) out.push_back(ns.name);
    return out;
}

bool ServerSchema::isProviderClass(std::string_view nameSpace, std::string_view className) const {
    const Namespace* ns = findNamespace(nameSpace);
    return ns && ns->providerKeys.find(className) != ns->providerKeys.end();
}

bool ServerSchema::isVisible(std::string_view nameSpace, std::string_view className) const {
    const Namespace* ns = findNamespace(nameSpace);
    return ns && ns->visibleKeys.find(className) != ns->visibleKeys.end();
}

// Asked by every enumeration request, mostly once per class, so a cache per
// class would not help; the lists of every class of a namespace are made at
// once instead, each provider class entered under itself and its ancestors.
std::vector<std::string> ServerSchema::providerClassesFor(std::string_view nameSpace,
                                                          std::string_view className) const {
    const auto answer = [&](const ViewCache::ClassLists& lists) {
        const auto it = lists.find(className);
        return it == lists.end() ? std::vector<std::string>{} : it->second;
    };
    {
        std::shared_lock lock(cache_->mutex);
        if (auto it = cache_->classesFor.find(nameSpace); it != cache_->classesFor.end()) return answer(it->second);
    }
    ViewCache::ClassLists lists;
    if (const Namespace* ns = findNamespace(nameSpace)) {
        for (const auto& name : ns->providerClasses) {
            const auto& chain = view(name).chain;
            std::set<std::string_view, NameLess> entered;
            const auto enter = [&](std::string_view ancestor) {
                if (entered.insert(ancestor).second) lists[std::string(ancestor)].push_back(name);
            };
            enter(name);
            for (const ClassDecl* c : chain) enter(c->name);
            // A superclass the schema does not declare still counts by name.
            if (!chain.empty() && !chain.back()->superClass.empty()) enter(chain.back()->superClass);
        }
    }
    std::unique_lock lock(cache_->mutex);
    return answer(cache_->classesFor.try_emplace(std::string(nameSpace), std::move(lists)).first->second);
}

std::vector<std::string> ServerSchema::providerClasses(std::string_view nameSpace) const {
    const Namespace* ns = findNamespace(nameSpace);
    return ns ? ns->providerClasses : std::vector<std::string>{};
}

bool ServerSchema::mayMeet(std::string_view a, std::string_view b) const {
    if (a.empty() || b.empty() || !find(a) || !find(b)) return true;
    return isA(a, b) || isA(b, a);
}

bool AssociationRoute::isA(std::string_view className) const {
    for (const ClassDecl* c : chain)
        if (equalsIgnoreCase(c->name, className)) return true;
    return !chain.empty() && equalsIgnoreCase(chain.back()->superClass, className);
}

std::vector<AssociationRoute> ServerSchema::buildRoutes(std::string_view nameSpace) const {
    std::vector<AssociationRoute> out;
    const Namespace* ns = findNamespace(nameSpace);
    if (!ns) return out;
    for (const auto& name : ns->providerClasses) {
        const ClassDecl* decl = find(name);
        if (!decl || !decl->isAssociation) continue;
        AssociationRoute route{decl, {}, view(name).chain};
        for (const auto& p : effectiveProperties(name))
            if (p.decl->type.isReference() && !p.decl->type.isArray())
                route.ends.push_back(AssociationEnd{p.decl->name, p.decl->type.referenceClass});
        out.push_back(std::move(route));
    }
    return out;
}

const std::vector<const AssociationRoute*>& ServerSchema::associationsFrom(std::string_view nameSpace,
                                                                          std::string_view source) const {
    std::string key(nameSpace);
    key.append(1, '\0').append(source);
    {
        std::shared_lock lock(cache_->mutex);
        if (auto it = cache_->routesFrom.find(key); it != cache_->routesFrom.end()) return it->second;
    }
    // Worked out outside the lock (the look-ups below take it themselves);
    // a namespace's routes, once stored, are never moved, so the pointers
    // into them stay good while another thread adds its own list.
    std::vector<AssociationRoute> built = buildRoutes(nameSpace);
    std::unique_lock lock(cache_->mutex);
    const auto& routes = cache_->routes.try_emplace(std::string(nameSpace), std::move(built)).first->second;
    lock.unlock();
    std::vector<const AssociationRoute*> from;
    for (const auto& route : routes) {
        const bool reaches = route.ends.empty() ||
                             std::any_of(route.ends.begin(), route.ends.end(), [&](const AssociationEnd& end) {
                                 return mayMeet(source, end.referenceClass);
                             });
        if (reaches) from.push_back(&route);
    }
    lock.lock();
    return cache_->routesFrom.try_emplace(std::move(key), std::move(from)).first->second;
}

namespace {

struct TypeName {
    CMPIType type;
    const char* name;
};

constexpr TypeName kTypeNames[] = {
    {CMPI_boolean, "boolean"}, {CMPI_char16, "char16"},     {CMPI_real32, "real32"},
    {CMPI_real64, "real64"},   {CMPI_uint8, "uint8"},       {CMPI_uint16, "uint16"},
    {CMPI_uint32, "uint32"},   {CMPI_uint64, "uint64"},     {CMPI_sint8, "sint8"},
    {CMPI_sint16, "sint16"},   {CMPI_sint32, "sint32"},     {CMPI_sint64, "sint64"},
    {CMPI_string, "string"},   {CMPI_dateTime, "datetime"}, {CMPI_ref, "reference"},
    {CMPI_instance, "string"},
};

}  // namespace

std::optional<CMPIType> typeFromCimName(std::string_view cimTypeName) {
    for (const auto& t : kTypeNames)
        if (equalsIgnoreCase(t.name, cimTypeName)) return t.type;
    return std::nullopt;
}

const char* cimNameOfType(CMPIType type) {
    const CMPIType element = static_cast<CMPIType>(type & ~CMPI_ARRAY);
    for (const auto& t : kTypeNames)
        if (t.type == element) return t.name;
    return "string";  // character arrays and anything unnamed travel as text
}

}  // namespace orv::cimxml
