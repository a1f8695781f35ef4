data/X.VEP
