// Module handles over resource tables: lookups of strings, menus, bars, dialogs, bitmaps.

#include <algorithm>
#include <memory>

#include "platform/gdi_internal.h"
#include "platform/resources.h"
#include "platform/surface.h"

struct Module {
  const ResourceTable *table;
};

struct Icon {
  Surface pixels;
};

struct ResourceInfo {
  const DialogTemplate *dialog;
};

namespace {

template <typename T> const T *FindById(const std::vector<T> &items, int id) {
  for (const T &item : items)
    if (item.id == id)
      return &item;
  return nullptr;
}

const ResourceTable *TableOf(HINSTANCE instance) { return instance ? instance->table : nullptr; }

} // namespace

HINSTANCE CreateModule(const ResourceTable *table) { return new Module{table}; }

void DestroyModule(HINSTANCE instance) { delete instance; }

const ResourceTable *ModuleResources(HINSTANCE instance) { return TableOf(instance); }

const BitmapResource *FindBitmapResource(HINSTANCE instance, int id) {
  const ResourceTable *table = TableOf(instance);
  return table ? FindById(table->bitmaps, id) : nullptr;
}

const MenuResource *FindMenuResource(HINSTANCE instance, int id) {
  const ResourceTable *table = TableOf(instance);
  return table ? FindById(table->menus, id) : nullptr;
}

const BarResource *FindBarResource(HINSTANCE instance, int id) {
  const ResourceTable *table = TableOf(instance);
  return table ? FindById(table->bars, id) : nullptr;
}

int LoadStringW(HINSTANCE instance, int id, char16_t *buffer, int bufferMax) {
  const ResourceTable *table = TableOf(instance);
  const StringResource *found = table ? FindById(table->strings, id) : nullptr;
  if (!buffer || bufferMax <= 0)
    return 0;
  if (!found) {
    buffer[0] = 0;
    return 0;
  }
  int count = int(std::min<std::size_t>(found->text.size(), std::size_t(bufferMax - 1)));
  std::copy_n(found->text.data(), count, buffer);
  buffer[count] = 0;
  return count;
}

HICON LoadIconW(HINSTANCE instance, int id) {
  const BitmapResource *resource = FindBitmapResource(instance, id);
  if (!resource)
    return nullptr;
  auto *icon = new Icon;
  if (!DecodeBmp(resource->bytes, resource->size, &icon->pixels)) {
    delete icon;
    return nullptr;
  }
  return icon;
}

void DestroyIcon(HICON icon) { delete icon; }

const Surface *IconSurface(HICON icon) { return icon ? &icon->pixels : nullptr; }

HRSRC FindResourceW(HINSTANCE instance, int id, int type) {
  const ResourceTable *table = TableOf(instance);
  if (!table || type != RT_DIALOG)
    return nullptr;
  const DialogTemplate *dialog = FindById(table->dialogs, id);
  if (!dialog)
    return nullptr;
  // Resource infos live as long as the program, one per template looked up.
  static std::vector<std::unique_ptr<ResourceInfo>> infos;
  for (const auto &info : infos)
    if (info->dialog == dialog)
      return info.get();
  infos.push_back(std::make_unique<ResourceInfo>(ResourceInfo{dialog}));
  return infos.back().get();
}

const DialogTemplate *LoadResource(HINSTANCE, HRSRC resource) {
  return resource ? resource->dialog : nullptr;
}
