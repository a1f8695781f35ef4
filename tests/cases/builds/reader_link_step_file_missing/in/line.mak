a.pre
missing.pre
b.pre
