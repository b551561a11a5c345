// tevrak.ListMenu: the data of a scrolling list menu. Menu calls do no
// input or output and keep the GIL, so one menu is never used by two
// threads at once.
#include "bindings.h"

namespace tevrak::python {
namespace {

using tevrak::ListMenu;

py::object item_at(const ListMenu &menu, int index) {
    if (index < 0) index += menu.size();
    if (index < 0 || index >= menu.size()) throw py::index_error("menu index out of range");
    const LMItem &item = menu.item(index);
    return python_types().menu_item(text(item.text), item.userData);
}

}  // namespace

void bind_menu(py::module_ &module) {
    public_class<ListMenu>(module, "ListMenu", R"(The data of a scrolling, coloured list menu for the robot's screen.

ListMenu(title): the title is cut at 63 characters (bytes of UTF-8); the menu
is white on blue, its items red on aquamarine. Draws nothing and reads no
keys: the screen unit's drawing and selection code works on the same record.
A sequence of tevrak.MenuItem(text, value): len(menu), menu[i], iteration.)")
        .def(py::init<const std::string &>(), py::arg("title"))
        .def("append", &ListMenu::add, py::arg("text"), py::arg("value") = 0,
             "Appends an item: text cut at 31 characters, value (a 32-bit int) kept for the\n"
             "program. The menu scrolls once it holds more items than fit the screen.\n"
             "MemoryError when the item array cannot grow (the menu stays as it was).")
        .def(
            "set_text", [](ListMenu &menu, int index, const std::string &new_text) { menu.set_text(index, new_text); },
            py::arg("index"), py::arg("text"),
            "Replaces the text of item index (from 0); its value stays. IndexError outside the\n"
            "items.")
        .def("toggle_scroll", &ListMenu::toggle_scroll, "Switches scrolling on when off, and off when on.")
        .def("__len__", &ListMenu::size)
        .def("__getitem__", &item_at, py::arg("index"))
        .def("__iter__",
             [](const ListMenu &menu) {
                 py::list items;
                 for (int i = 0; i < menu.size(); ++i) items.append(item_at(menu, i));
                 return py::iter(items);
             })
        .def_property_readonly(
            "title", [](const ListMenu &menu) { return text(menu.record().title); }, "The menu's title.")
        .def_property_readonly("scroll", &ListMenu::scrolls, "True when the items do not all fit and the list scrolls.")
        .def_property_readonly("index", &ListMenu::index, "The current item's number, from 0.")
        .def_property_readonly(
            "current_text", [](const ListMenu &menu) { return text(std::string(menu.current_text()).c_str()); },
            "The current item's text; empty without items.")
        .def("__repr__", [](const ListMenu &menu) {
            return "<tevrak.ListMenu " + py::repr(text(menu.record().title)).cast<std::string>() + " with " +
                   std::to_string(menu.size()) + " items>";
        });
}

}  // namespace tevrak::python
