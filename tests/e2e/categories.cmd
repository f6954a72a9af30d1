show_category_names
show_category_names extra
show_categories ks7d2c
show_categories Ks 7d 2c
show_categories 9h8h2cKd
show_categories 5h 6h 7h 8h 9h
show_categories Ks Ks 2c
show_categories Ks 7z 2c
show_categories Ks 7d
show_categories
show_categories As Ks Qs Js Ts 9s
is_tree_present
exit
