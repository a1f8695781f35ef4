a.pre
b.pre
