// inpM_InstanceMap<T>: instance name -> T (the library uses T = cow_String,
// the name of the part that forms the instance). A tree: every node carries
// one value and may carry named children; the library uses one level.
// Implemented here as a header template.
//
// Copying a node shares its item and its children (copy on write); the copy
// owns its own map object, which shares the entries until one side writes.
#ifndef INPM_INSTANCEMAP_H
#define INPM_INSTANCEMAP_H

#include "atr.h"
#include "cow.h"
#include "nex.h"
#include "wip.h"

template <class T>
class inpM_InstanceMap {
 public:
  inpM_InstanceMap() : item(T()) {}
  inpM_InstanceMap(const inpM_InstanceMap& other)
      : item(other.item), children(other.children ? new Children(*other.children) : nullptr) {}
  inpM_InstanceMap& operator=(const inpM_InstanceMap& other) {
    if (this == &other) return *this;
    Children* copy = other.children ? new Children(*other.children) : nullptr;
    delete children;
    children = copy;
    item = other.item;
    return *this;
  }
  virtual ~inpM_InstanceMap() { delete children; }

  // Adds a default child of that name when there is none, then sets the
  // child's item to a copy of value; an existing child keeps its children.
  void Insert(const cow_String& instanceName, const T& value) {
    if (!children) children = new Children();
    children->GetOrInsert(instanceName).item = cow_COW<T>(value);
  }
  bool IsMember(const cow_String& instanceName) const { return children && children->IsMember(instanceName); }
  const inpM_InstanceMap& ConstGetMap(const cow_String& instanceName) const {
    const inpM_InstanceMap* child = children ? children->ConstFind(instanceName) : nullptr;
    if (!child) ReportUnknown(instanceName);
    return *child;
  }
  const T& ConstGet(const cow_String& instanceName) const { return ConstGetMap(instanceName).ConstGet(); }
  const T& ConstGet() const { return item.ConstGet(); }
  // The children's names in ascending byte-wise order.
  cow_List<cow_String> Instances() const { return children ? children->Keys() : cow_List<cow_String>(); }
  inpM_InstanceMap& GetMap(const cow_String& instanceName) {
    if (!IsMember(instanceName)) ReportUnknown(instanceName);
    return children->Get(instanceName);
  }
  T& Get() {
    NEX_ASSERT_AT(item.HasValue(), "inpM_InstanceMap");
    return item.Get();
  }
  T& Get(const cow_String& instanceName) {
    NEX_ASSERT_AT(GetMap(instanceName).item.HasValue(), "inpM_InstanceMap");
    return GetMap(instanceName).item.Get();
  }

 protected:
  // The node's value; a node made by the constructors always holds one.
  cow_COW<T> item;

 private:
  using Children = cow_Map<cow_String, inpM_InstanceMap<T>>;

  [[noreturn]] static void ReportUnknown(const cow_String& instanceName) {
    atr_translate message("Unknown instance %s");
    atr_SubstituteFormat(message, 1, instanceName);
    wip_Error(message.Result());
  }

  Children* children = nullptr;
};

#endif
