add_wine_test(wine_smoke_test smoke_test.cpp)
