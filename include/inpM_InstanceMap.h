// inpM_InstanceMap<T>: instance name -> T (the library uses T = cow_String,
// the name of the part that forms the instance). A tree: every node carries
// one value and may carry named children; the library uses one level.
// Implemented here as a header template.
#ifndef INPM_INSTANCEMAP_H
#define INPM_INSTANCEMAP_H

#include "cow.h"
#include "nex.h"
#include "wip.h"

template <class T>
class inpM_InstanceMap {
 public:
  inpM_InstanceMap();
  inpM_InstanceMap(const inpM_InstanceMap& other);
  inpM_InstanceMap& operator=(const inpM_InstanceMap& other);
  virtual ~inpM_InstanceMap();

  void Insert(const cow_String& instanceName, const T& value);
  bool IsMember(const cow_String& instanceName) const;
  const inpM_InstanceMap& ConstGetMap(const cow_String& instanceName) const;
  const T& ConstGet(const cow_String& instanceName) const;
  const T& ConstGet() const;
  cow_List<cow_String> Instances() const;
  inpM_InstanceMap& GetMap(const cow_String& instanceName);
  T& Get();
  T& Get(const cow_String& instanceName);

 private:
  cow_COW<T> item;
  cow_Map<cow_String, inpM_InstanceMap<T>>* children = nullptr;
};

#endif
