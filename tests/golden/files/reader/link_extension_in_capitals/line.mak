a.pre
