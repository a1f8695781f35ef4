a.pre
b.pre
c.pre
