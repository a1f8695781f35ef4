main.pre
one.pre
