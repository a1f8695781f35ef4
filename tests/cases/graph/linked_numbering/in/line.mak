main.pre
rel.pre
abs.pre
