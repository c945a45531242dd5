# The toolkit's controls and forms without windows: event rules, bindings,
# property tables, date formats, closing and destroying forms.
marrowby_test(unit_ui
  ui_controls_test.cpp
  ui_form_test.cpp
  LIBS ui_model)
